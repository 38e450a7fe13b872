#pragma once
// The command line of setup720-cli: words (the command, its action and file)
// and options, "--name value", "--name=value" or a flag "--name", anywhere
// on the line. Values a script gets wrong are usage errors, never read
// leniently as 0.
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include <QString>
#include <QStringList>

struct Arguments {
  QStringList words;
  std::map<QString, QString> values;  // "port" -> "3"
  std::set<QString> flags;            // "quiet"

  bool Has(const QString& name) const { return values.count(name) || flags.count(name); }
  QString Value(const QString& name) const;
};

// Parses argv[1..]; false with *error for an unknown option or a missing value.
bool ParseArguments(const QStringList& arguments, Arguments* out, QString* error);

// A whole decimal number within [lo, hi] (an optional sign, nothing else).
std::optional<int64_t> WholeNumber(const QString& text, int64_t lo, int64_t hi);
// A decimal number with "." or "," as the separator.
std::optional<double> RealNumber(const QString& text);

// The options each command accepts besides the global ones.
bool OnlyOptions(const Arguments& arguments, const std::set<QString>& allowed, QString* error);

extern const char* const kUsageText;
