#include "arguments.h"

#include <cmath>

namespace {

const std::set<QString> kValueOptions = {"port", "type-list", "type", "serial", "b", "a",
                                         "k1",   "k2",        "hex",  "region"};
const std::set<QString> kFlagOptions = {"quiet",    "progress",  "log",       "yes",
                                        "details",  "standard",  "emergency", "emergency-standard",
                                        "help"};

}  // namespace

const char* const kUsageText =
    "Usage: setup720-cli [options] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  ports                      the usable COM ports and their devices\n"
    "  find                       search all ports for the instrument\n"
    "  test [--port N]            test one port (default: the configured one)\n"
    "  ident                      check the connection and print the identity\n"
    "  eeprom read|write|compare FILE.dat\n"
    "                             parameter memory 0..255 as an EEPROM dump\n"
    "  printer read|write FILE.txt\n"
    "                             printer header and footer texts\n"
    "  options show               serial number, device type, option bits, lists\n"
    "  options write --type-list FILE --type N [--serial KRxx-nnnn]\n"
    "                             write a device type's option and list records\n"
    "  lists write --type-list FILE --type N\n"
    "                             write only the display and printout lists\n"
    "  language show | language set N\n"
    "                             the instrument's display language\n"
    "  alv show | alv set [--b X] [--a X] [--k1 N] [--k2 N] [--serial KRxx-nnnn]\n"
    "                             the ALV parameters (values not given are kept)\n"
    "  fuel read|write FILE.bin   the fuel table image\n"
    "  upload [--standard | --emergency | --emergency-standard] [--hex FILE]\n"
    "         [--region FILE]     firmware upload through the bootloader\n"
    "  mapfile FILE [--details]   the link map report\n"
    "\n"
    "Options:\n"
    "  --port N       use COM port N instead of the configured one\n"
    "  --quiet        print results only\n"
    "  --progress     show the transfer progress on stderr\n"
    "  --log          print the \"Diagnose\" lines on stderr\n"
    "  --yes          answer questions with yes (default: no)\n"
    "  --help         this text\n"
    "\n"
    "Exit codes: 0 success, 1 instrument or exchange failure (also: data sets\n"
    "differ), 2 usage error, 3 file error.\n";

QString Arguments::Value(const QString& name) const {
  const auto it = values.find(name);
  return it == values.end() ? QString() : it->second;
}

bool ParseArguments(const QStringList& arguments, Arguments* out, QString* error) {
  *out = {};
  bool wordsOnly = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (wordsOnly || !arg.startsWith(QLatin1String("--"))) {
      out->words << arg;
      continue;
    }
    if (arg == QLatin1String("--")) {  // what follows are words, even "--name"
      wordsOnly = true;
      continue;
    }
    QString name = arg.mid(2);
    std::optional<QString> value;
    const qsizetype eq = name.indexOf(u'=');
    if (eq >= 0) {
      value = name.mid(eq + 1);
      name = name.left(eq);
    }
    if (kFlagOptions.count(name)) {
      if (value) {
        *error = QStringLiteral("--%1 takes no value").arg(name);
        return false;
      }
      out->flags.insert(name);
    } else if (kValueOptions.count(name)) {
      if (!value) {
        if (i + 1 >= arguments.size()) {
          *error = QStringLiteral("--%1 needs a value").arg(name);
          return false;
        }
        value = arguments[++i];
      }
      if (out->values.count(name)) {
        *error = QStringLiteral("--%1 given twice").arg(name);
        return false;
      }
      out->values[name] = *value;
    } else {
      *error = QStringLiteral("unknown option \"%1\"").arg(arg);
      return false;
    }
  }
  return true;
}

std::optional<int64_t> WholeNumber(const QString& text, int64_t lo, int64_t hi) {
  bool ok = false;
  const qlonglong v = text.trimmed().toLongLong(&ok, 10);
  if (!ok || v < lo || v > hi) return std::nullopt;
  return v;
}

std::optional<double> RealNumber(const QString& text) {
  QString s = text.trimmed();
  s.replace(u',', u'.');
  bool ok = false;
  const double v = s.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool OnlyOptions(const Arguments& arguments, const std::set<QString>& allowed, QString* error) {
  static const std::set<QString> global = {"port", "quiet", "progress", "log", "yes", "help"};
  for (const auto& [name, value] : arguments.values)
    if (!global.count(name) && !allowed.count(name)) {
      *error = QStringLiteral("--%1 does not apply here").arg(name);
      return false;
    }
  for (const QString& name : arguments.flags)
    if (!global.count(name) && !allowed.count(name)) {
      *error = QStringLiteral("--%1 does not apply here").arg(name);
      return false;
    }
  return true;
}
