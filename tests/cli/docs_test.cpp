// The help, the manual page and the README describe the commands and options
// the tool has: a command or option added without its text fails here.
#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include "arguments.h"
#include "commands.h"

namespace {

QByteArray Source(const char* path) {
  QFile file(QStringLiteral(SETUP720_SOURCE_DIR "/") + path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The README's "Command line" section alone.
QByteArray CommandLineSection() {
  const QByteArray readme = Source("README.md");
  const qsizetype start = readme.indexOf("## Command line\n");
  const qsizetype end = readme.indexOf("\n## ", start + 1);
  return start < 0 ? QByteArray() : readme.mid(start, end < 0 ? -1 : end - start);
}

}  // namespace

TEST(CliDocs, EveryCommandHasItsHelpAndEveryOptionIsInIt) {
  QStringList runnable = RunnableCommands();
  runnable << "help";
  const QStringList documented = CommandNames();
  EXPECT_EQ(QSet<QString>(runnable.begin(), runnable.end()), QSet<QString>(documented.begin(), documented.end()));
  const QString usage = UsageText();
  for (const QString& option : GlobalOptions())
    EXPECT_TRUE(usage.contains("--" + option + " ")) << option.toStdString();
  for (const QString& command : RunnableCommands()) {
    const QString help = CommandHelp(command);
    EXPECT_TRUE(help.startsWith("Usage:\n  setup720-cli " + command)) << command.toStdString();
    EXPECT_TRUE(usage.contains("\n  " + command + " ")) << command.toStdString();
    for (const QString& option : CommandOptions(command))
      EXPECT_TRUE(help.contains("--" + option)) << command.toStdString() << " --" << option.toStdString();
  }
  EXPECT_TRUE(CommandHelp("bogus").isEmpty());
}

TEST(CliDocs, TheManualPageAndTheReadmeNameEveryCommandOptionAndExitCode) {
  const QByteArray man = Source("tools/cli/setup720-cli.1");
  const QByteArray readme = CommandLineSection();
  ASSERT_FALSE(man.isEmpty());
  ASSERT_FALSE(readme.isEmpty());
  for (const QString& command : CommandNames()) {
    const QByteArray name = command.toUtf8();
    EXPECT_TRUE(man.contains("\n.B " + name + "\n") || man.contains("\n.BI \"" + name + " ") ||
                man.contains("\n.B " + name + " ") || man.contains("\n.BR " + name + " ") ||
                man.contains("\n.BR \"" + name + " "))
        << "a paragraph of the manual page for " << command.toStdString();
    EXPECT_TRUE(readme.contains("setup720-cli " + name)) << command.toStdString();
  }
  for (const QString& option : AllOptionNames()) {
    // roff writes a minus as "\-".
    const QByteArray roff = "\\-\\-" + option.toUtf8().replace("-", "\\-");
    EXPECT_TRUE(man.contains(roff)) << "--" << option.toStdString() << " in the manual page";
    EXPECT_TRUE(readme.contains("--" + option.toUtf8())) << "--" << option.toStdString() << " in the README";
  }
  const qsizetype exits = man.indexOf(".SH EXIT STATUS");
  ASSERT_GE(exits, 0);
  for (const char* code : {"\n.B 0\n", "\n.B 1\n", "\n.B 2\n", "\n.B 3\n"})
    EXPECT_GT(man.indexOf(code, exits), exits) << code;
}

TEST(CliDocs, TheReadmeShowsTheProductionLineScriptAsItIs) {
  const QByteArray script = Source("tools/cli/production-line.sh");
  ASSERT_TRUE(script.startsWith("#!/bin/sh\n"));
  EXPECT_TRUE(CommandLineSection().contains("```sh\n" + script + "```\n"));
}
