#include "cli_rig.h"

#include <QJsonDocument>

std::string Show(const CliRunResult& r) {
  return ("exit " + QString::number(r.exit) + "\nstdout:\n" + r.out + "stderr:\n" + r.err + "json:\n" +
          QString::fromUtf8(QJsonDocument(r.json).toJson(QJsonDocument::Compact)))
      .toStdString();
}

QByteArray TypeLine(const QByteArray& name, const QByteArray& bits, int displayCode, int printCode) {
  QByteArray s(250, ' ');
  s.replace(0, bits.size(), bits);
  for (int column = 1; column <= 3; ++column)
    for (int row = 1; row <= 8; ++row)
      s.replace(20 * column + 2 * row + 28, 2, QByteArray::number(displayCode).rightJustified(2, '0'));
  for (int row = 1; row <= 24; ++row)
    s.replace(2 * row + 128, 2, QByteArray::number(printCode).rightJustified(2, '0'));
  return name.leftJustified(30, ' ') + s;
}
