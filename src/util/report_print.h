#pragma once
// Print requests to the outside report print service. On Windows the request
// is one DDE execute transaction; other systems have no such service, which
// the caller learns from the result (nothing is printed then).
#include <functional>

#include <QList>
#include <QString>

#include "text.h"

struct ReportPrintRequest {
  Text service;  // "Pfmads"
  Text topic;    // "Kommando"
  Text command;  // the command lines joined by CR LF
};

enum class ReportPrintResult {
  Sent,         // handed to the service (it runs on its own; no completion is awaited)
  NotReached,   // the service is not running or refused the conversation
  Unavailable,  // this system has no report print service at all
};

// The hook, when set, receives every request instead of the platform.
using ReportPrintHook = std::function<ReportPrintResult(const ReportPrintRequest&)>;
// Installs a hook and returns the previous one.
ReportPrintHook SetReportPrintHook(ReportPrintHook hook);

// "Execute " + folder + file, with a separator between them unless the
// folder already ends in one. The folder is given in native separators.
Text ReportExecuteLine(const QString& folder, const Text& file);
// The command lines of one transaction.
Text ReportCommandText(const QList<Text>& lines);

ReportPrintResult SendReportPrint(const ReportPrintRequest& request);
