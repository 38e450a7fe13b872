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
  bool Flag(const QString& name) const { return flags.count(name) > 0; }
  QString Value(const QString& name) const;
};

// Parses argv[1..]; false with *error for an unknown option or a missing value.
bool ParseArguments(const QStringList& arguments, Arguments* out, QString* error);
// Whether the line asks for JSON, looked at before parsing so that a line
// that does not parse still gets its JSON answer.
bool WantsJson(const QStringList& arguments);

// A whole decimal number within [lo, hi] (an optional sign, nothing else).
std::optional<int64_t> WholeNumber(const QString& text, int64_t lo, int64_t hi);
// A decimal number with "." or "," as the separator.
std::optional<double> RealNumber(const QString& text);

// The options every command accepts.
const std::set<QString>& GlobalOptions();
// The options each command accepts besides the global ones.
bool OnlyOptions(const Arguments& arguments, const std::set<QString>& allowed, QString* error);
// Every option name the parser knows, values and flags.
std::set<QString> AllOptionNames();

// The program's help, and the help of one command ("" when there is no such
// command).
QString UsageText();
QString CommandHelp(const QString& command);
// The commands in the order the help lists them.
QStringList CommandNames();
