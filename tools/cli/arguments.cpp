#include "arguments.h"

#include <cmath>

namespace {

const std::set<QString> kValueOptions = {"port", "usb",    "log",    "type-list", "type", "serial",
                                         "b",    "a",      "k1",     "k2",        "hex",  "region"};
const std::set<QString> kFlagOptions = {"quiet",     "progress",  "yes",       "json",
                                        "verify",    "details",   "standard",  "emergency",
                                        "emergency-standard",     "help"};

struct CommandText {
  const char* name;
  const char* synopsis;     // the usage lines, without the program name
  const char* summary;      // one line for the program's help
  const char* description;  // the rest of the command's own help
};

const CommandText kCommands[] = {
    {"ports", "ports", "the usable COM ports, their devices, the USB cable",
     "Lists the COM ports 1..99 that can be opened, with their device paths; the\n"
     "instrument's USB cable is marked. A port held by another program is not\n"
     "listed.\n"
     "JSON: ports [{com, device, usb}], usbCable {com} or null, status.\n"},
    {"find", "find", "search all ports; the first instrument found",
     "Tries every usable port and prints \"COMn<TAB>identity\" of the first\n"
     "instrument that answers.\n"
     "JSON: port, device, identity.\n"},
    {"test", "test [--port N | --port usb | --usb SERIAL]", "test one port",
     "Asks the port (default: the configured one) for the instrument and prints\n"
     "what answered. Exit 1 when nothing did.\n"
     "JSON: port, found, message.\n"},
    {"ident", "ident", "check the connection, print the identity",
     "JSON: port, device, identity.\n"},
    {"eeprom", "eeprom read FILE.dat\neeprom write FILE.dat [--verify]\neeprom compare FILE.dat",
     "parameter memory 0..255 as an EEPROM dump",
     "read     saves the parameter memory as a dump (16 lines of 16 bytes)\n"
     "write    checks every line of the dump, then writes it; a malformed dump\n"
     "         is refused (exit 3) before the instrument is asked\n"
     "compare  exit 0 when the instrument holds the dump, 1 when it differs\n"
     "--verify reads the memory back and names the first differing address\n"
     "JSON: file, serial, serialNumber; compare: equal, first, differences\n"
     "[addresses]; write: verified.\n"},
    {"printer", "printer read FILE.txt\nprinter write FILE.txt [--verify]",
     "printer header and footer texts",
     "The three header and three footer lines, 24 characters each, one per line\n"
     "of the file (Windows-1252, CR LF). A read also saves the user data image\n"
     "that the next firmware upload writes back.\n"
     "--verify reads the texts back (as a read does) and names the first\n"
     "differing line.\n"
     "JSON: file, lines; write: verified.\n"},
    {"options",
     "options show\noptions write --type-list FILE --type N [--serial KRxx-nnnn] [--verify]",
     "serial number, device type, option bits, lists; apply a device type",
     "show   the option record (serial number, device type, the 31 option bits)\n"
     "       and the display and printout lists\n"
     "write  writes type N of the type list: its option bits and lists, with\n"
     "       the instrument's serial number unless --serial is given\n"
     "--verify reads both records back and names the first differing field.\n"
     "JSON: serial, serialNumber, type, bits [{bit, set, name}], display\n"
     "[[{code, name}]], print [{code, name}]; write: type, typeName, serial,\n"
     "verified.\n"},
    {"lists", "lists write --type-list FILE --type N [--verify]",
     "write only the display and printout lists",
     "Writes the display and printout lists of type N of the type list to an\n"
     "instrument whose option record is sound.\n"
     "--verify reads the list record back and names the first differing row.\n"
     "JSON: type, typeName, serial, verified.\n"},
    {"language", "language show\nlanguage set N [--verify]", "the instrument's display language",
     "show  the instrument's languages, the one in use marked with \"*\"\n"
     "set   selects language N (the number \"language show\" prints); the\n"
     "      table is always read back afterwards, --verify is accepted for\n"
     "      symmetry with the other writes\n"
     "JSON: languages [names], current, name; set: verified.\n"},
    {"alv",
     "alv show\nalv set [--b X] [--a X] [--k1 N] [--k2 N] [--serial KRxx-nnnn] [--verify]",
     "the ALV parameters",
     "show  the ALV serial number and calibration values\n"
     "set   writes the values given and keeps the others as the instrument has\n"
     "      them; the values are always read back and compared (--verify is\n"
     "      accepted for symmetry); --a from -0.002 to 0, --k1 and --k2 from\n"
     "      -20 to 20\n"
     "JSON: serial, serialAnswer, b, a, k1, k2; set: verified.\n"},
    {"fuel", "fuel read FILE.bin\nfuel write FILE.bin [--verify]", "the fuel table image",
     "read   saves the installed fuel table (header and table) as a file\n"
     "write  writes the file's bytes (at most 16 KB are read from it)\n"
     "--verify reads the written bytes back and names the first differing one.\n"
     "JSON: file, bytes, log [lines]; write: verified.\n"},
    {"upload",
     "upload [--standard | --emergency | --emergency-standard] [--hex FILE] [--region FILE]",
     "firmware upload through the bootloader",
     "Without a variant: the normal upload (printer texts saved first, then the\n"
     "program image, the data set and the user data image). --hex names the\n"
     "program image (default: the configured one); with more than one regional\n"
     "data set beside it, --region chooses one. --verify is refused: the\n"
     "bootloader has no way to read the program memory back.\n"
     "JSON: log [lines], completed, uploadError, result (completed, failed,\n"
     "file error, refused).\n"},
    {"mapfile", "mapfile FILE [--details]", "the link map report",
     "Prints the report of a link map file (--details: every entry).\n"
     "JSON: file, report [lines].\n"},
    {"help", "help [COMMAND]", "this text, or the help of one command",
     "\"setup720-cli COMMAND --help\" does the same.\n"},
};

const char* const kGlobalOptionsText =
    "Options for every command:\n"
    "  --port N       use COM port N (or COMn) instead of the configured one\n"
    "  --port usb     use the port of the instrument's USB cable\n"
    "  --usb SERIAL   use the port of the USB cable with that serial number\n"
    "  --json         print one JSON object on stdout: ok, command, exit, error\n"
    "                 and the command's results\n"
    "  --quiet        print results only\n"
    "  --progress     draw the transfer progress on stderr even when it is no\n"
    "                 terminal (never with --quiet or --json)\n"
    "  --log FILE     save the \"Diagnose\" lines (commands and answers) in FILE,\n"
    "                 also when the command fails; \"--log -\" prints them on stderr\n"
    "  --yes          answer questions with yes (default: no)\n"
    "  --help         the help of the program or of the command\n";

const char* const kExitCodesText =
    "Exit codes: 0 success, 1 instrument or exchange failure (no instrument,\n"
    "port busy, time-out, wrong checksum, read-back differs; eeprom compare:\n"
    "the data sets differ), 2 usage error, 3 file error.\n";

}  // namespace

QString UsageText() {
  QString text = QStringLiteral("Usage: setup720-cli [options] COMMAND [ARGUMENTS]\n\nCommands:\n");
  for (const CommandText& c : kCommands) {
    const QString first = QString::fromLatin1(c.synopsis).section(u'\n', 0, 0);
    const QString name = QString::fromLatin1(c.name);
    const QString shown = first.size() <= 26 ? first : name + QStringLiteral(" ...");
    text += QStringLiteral("  %1 %2\n").arg(shown.leftJustified(26), QString::fromLatin1(c.summary));
  }
  text += QStringLiteral("\n") + QString::fromLatin1(kGlobalOptionsText) + QStringLiteral("\n") +
          QString::fromLatin1(kExitCodesText) +
          QStringLiteral("\n\"setup720-cli help COMMAND\" tells more about a command.\n");
  return text;
}

QString CommandHelp(const QString& command) {
  for (const CommandText& c : kCommands) {
    if (command != QLatin1String(c.name)) continue;
    QString text = QStringLiteral("Usage:\n");
    for (const QString& line : QString::fromLatin1(c.synopsis).split(u'\n'))
      text += QStringLiteral("  setup720-cli ") + line + u'\n';
    text += u'\n' + QString::fromLatin1(c.summary) + QStringLiteral(".\n") + QString::fromLatin1(c.description) +
            u'\n' + QString::fromLatin1(kGlobalOptionsText) + u'\n' + QString::fromLatin1(kExitCodesText);
    return text;
  }
  return {};
}

QStringList CommandNames() {
  QStringList names;
  for (const CommandText& c : kCommands) names << QString::fromLatin1(c.name);
  return names;
}

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

bool WantsJson(const QStringList& arguments) {
  for (const QString& arg : arguments) {
    if (arg == QLatin1String("--")) return false;
    if (arg == QLatin1String("--json")) return true;
  }
  return false;
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

const std::set<QString>& GlobalOptions() {
  static const std::set<QString> global = {"port", "usb", "quiet", "progress", "log",
                                           "yes",  "help", "json"};
  return global;
}

bool OnlyOptions(const Arguments& arguments, const std::set<QString>& allowed, QString* error) {
  const std::set<QString>& global = GlobalOptions();
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

std::set<QString> AllOptionNames() {
  std::set<QString> names = kValueOptions;
  names.insert(kFlagOptions.begin(), kFlagOptions.end());
  return names;
}
