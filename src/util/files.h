#pragma once
// Files are read whole and written whole. Writes go to a temporary file in
// the same folder that replaces the target only when complete, so a crash or
// a full disk leaves the old file or the new one, never half of one.
#include <functional>
#include <QByteArray>
#include <QString>

bool ReadWholeFile(const QString& path, QByteArray* data, QString* error = nullptr);
bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error = nullptr);

// Tests make writes fail part-way (as a full disk would): the hook gets the
// target path and returns how many bytes may be written before the failure,
// or -1 for no failure.
using WriteFaultHook = std::function<qint64(const QString& path)>;
WriteFaultHook SetWriteFaultHook(WriteFaultHook hook);
