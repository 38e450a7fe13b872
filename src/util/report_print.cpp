#include "report_print.h"

#include <QDir>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ddeml.h>
#endif

namespace {

ReportPrintHook& Hook() {
  static ReportPrintHook hook;
  return hook;
}

#ifdef Q_OS_WIN
HDDEDATA CALLBACK IgnoreDdeEvents(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

// One conversation per request: connect, execute without waiting, disconnect.
ReportPrintResult SendByDde(const ReportPrintRequest& request) {
  DWORD instance = 0;
  if (DdeInitializeA(&instance, IgnoreDdeEvents, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
    return ReportPrintResult::NotReached;
  ReportPrintResult result = ReportPrintResult::NotReached;
  HSZ service = DdeCreateStringHandleA(instance, request.service.constData(), CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(instance, request.topic.constData(), CP_WINANSI);
  if (HCONV conversation = DdeConnect(instance, service, topic, nullptr)) {
    QByteArray data = request.command;
    data.append('\0');
    DWORD transaction = 0;
    HDDEDATA sent = DdeClientTransaction(reinterpret_cast<LPBYTE>(data.data()),
                                         static_cast<DWORD>(data.size()), conversation, nullptr,
                                         CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction);
    if (sent) result = ReportPrintResult::Sent;
    DdeDisconnect(conversation);
  }
  if (service) DdeFreeStringHandle(instance, service);
  if (topic) DdeFreeStringHandle(instance, topic);
  DdeUninitialize(instance);
  return result;
}
#endif

}  // namespace

ReportPrintHook SetReportPrintHook(ReportPrintHook hook) {
  ReportPrintHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

Text ReportExecuteLine(const QString& folder, const Text& file) {
  Text line = "Execute " + FromQt(folder);
  if (!folder.endsWith(u'\\') && !folder.endsWith(u'/'))
    line += FromQt(QString(QDir::separator()));
  return line + file;
}

Text ReportCommandText(const QList<Text>& lines) {
  Text text;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

ReportPrintResult SendReportPrint(const ReportPrintRequest& request) {
  if (Hook()) return Hook()(request);
#ifdef Q_OS_WIN
  return SendByDde(request);
#else
  return ReportPrintResult::Unavailable;
#endif
}
