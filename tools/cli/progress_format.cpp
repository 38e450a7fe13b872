#include "progress_format.h"

#include <algorithm>

QString FormatDuration(int64_t ms) {
  const int64_t seconds = std::max<int64_t>(ms, 0) / 1000;
  const int64_t h = seconds / 3600;
  const int64_t m = (seconds / 60) % 60;
  const int64_t s = seconds % 60;
  if (h > 0)
    return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
  return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString FormatProgress(int64_t done, int64_t total, int64_t elapsedMs, const QString& unit, int barWidth) {
  done = std::max<int64_t>(done, 0);
  elapsedMs = std::max<int64_t>(elapsedMs, 0);
  barWidth = std::max(barWidth, 1);
  const bool known = total > 0 && done <= total;
  if (!known) {
    return QStringLiteral("[%1]  %2 %3  %4")
        .arg(QString(barWidth, u' '))
        .arg(done)
        .arg(unit, FormatDuration(elapsedMs));
  }
  const int filled = static_cast<int>(barWidth * done / total);
  const QString bar = QString(filled, u'#') + QString(barWidth - filled, u'-');
  const QString count = QString::number(done).rightJustified(QString::number(total).size()) + u'/' +
                        QString::number(total);
  const int64_t percent = 100 * done / total;
  QString estimate;
  if (done == total) {
    estimate = FormatDuration(elapsedMs) + QStringLiteral(" total");
  } else if (done == 0) {
    estimate = QStringLiteral("--:-- left");
  } else {
    // Rounded up: the time left is never shown shorter than it will be.
    const int64_t leftMs = (elapsedMs * (total - done) + done - 1) / done;
    estimate = FormatDuration(std::max<int64_t>(1000, (leftMs + 999) / 1000 * 1000)) + QStringLiteral(" left");
  }
  return QStringLiteral("[%1]  %2 %3  %4 %  %5")
      .arg(bar, count, unit)
      .arg(percent, 3)
      .arg(estimate);
}
