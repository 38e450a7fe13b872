#include "files.h"

#include <QFile>
#include <QSaveFile>

namespace {

WriteFaultHook& FaultHook() {
  static WriteFaultHook hook;
  return hook;
}

const char kWriteFault[] = "Schreibfehler";

void SetError(QString* error, const QString& text) {
  if (error) *error = text.isEmpty() ? QString::fromLatin1(kWriteFault) : text;
}

}  // namespace

WriteFaultHook SetWriteFaultHook(WriteFaultHook hook) {
  WriteFaultHook previous = std::move(FaultHook());
  FaultHook() = std::move(hook);
  return previous;
}

bool ReadWholeFile(const QString& path, QByteArray* data, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  QByteArray content = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return false;
  }
  if (data) *data = std::move(content);
  return true;
}

bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error) {
  QSaveFile file(path);
  file.setDirectWriteFallback(false);  // never write the target in place
  if (!file.open(QIODevice::WriteOnly)) {
    SetError(error, file.errorString());
    return false;
  }
  const qint64 limit = FaultHook() ? FaultHook()(path) : -1;
  if (limit >= 0 && limit < data.size()) {
    file.write(data.constData(), limit);
    file.cancelWriting();
    file.commit();  // discards the temporary file
    SetError(error, QString::fromLatin1(kWriteFault));
    return false;
  }
  // A short write is no error to QFile: only the next write tells why (a
  // full disk, a size limit), and a short file must never be committed.
  qint64 done = 0;
  while (done < data.size()) {
    const qint64 n = file.write(data.constData() + done, data.size() - done);
    if (n <= 0) break;
    done += n;
  }
  if (done != data.size()) {
    const QString text = file.error() != QFileDevice::NoError ? file.errorString() : QString();
    file.cancelWriting();
    file.commit();
    SetError(error, text);
    return false;
  }
  if (!file.commit()) {
    SetError(error, file.errorString());
    return false;
  }
  return true;
}
