#pragma once
// Shared by the fuzz targets: a headless Qt application, message boxes that
// answer themselves, a scratch folder, and a check that stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "util/msgbox.h"
#include "util/text.h"

// A broken invariant is a fault like a crash: libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                         \
  do {                                                                                \
    if (!(condition)) {                                                               \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)

// The input as a Text of its own (parsers may keep what they are given).
inline Text FuzzText(const uint8_t* data, size_t size) {
  return Text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Once per run, from LLVMFuzzerInitialize. Qt gets an argument list of its own,
// so it cannot take away libFuzzer's flags. Boxes are answered "no" at once.
inline void FuzzInitQt(bool widgets) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  if (widgets)
    new QApplication(argc, argv);
  else
    new QCoreApplication(argc, argv);
  SetBoxHook([](const BoxRequest&) { return false; });
}

// A scratch folder for the run, removed at exit; in memory where the system
// has a memory file system, as every atomic write syncs its file.
inline const QTemporaryDir& FuzzScratch() {
  static const std::unique_ptr<QTemporaryDir> dir = [] {
    auto inMemory = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/setup720-fuzz-XXXXXX"));
    return inMemory->isValid() ? std::move(inMemory) : std::make_unique<QTemporaryDir>();
  }();
  FUZZ_CHECK(dir->isValid());
  return *dir;
}
