#include "io/qt_messages.h"

#include <cstdio>

#include <QString>
#include <QtGlobal>

namespace jollix {

namespace {

QtMessageHandler g_previous = nullptr;

void filterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (g_previous)
        g_previous(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

void quietenRuntimeFolderWarning() {
    static const bool installed = [] {
        g_previous = qInstallMessageHandler(filterMessage);
        return true;
    }();
    (void)installed;
}

}  // namespace jollix
