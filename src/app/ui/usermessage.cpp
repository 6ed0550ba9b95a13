#include "app/ui/usermessage.h"

#include "app/lrcdata.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace {

CUserMessageSink& sink()
{
    static CUserMessageSink s;
    return s;
}

} // namespace

void setUserMessageSink(CUserMessageSink s) { sink() = std::move(s); }

void showUserMessage(QWidget* parent, const QString& text)
{
    if (sink()) {
        sink()(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Lindqua"), text, QMessageBox::Ok, parent);
    box.exec();
}

void installLrcMessageHook(QWidget* parent)
{
    // The hook outlives nothing it should: a parent destroyed meanwhile becomes null.
    QPointer<QWidget> guarded(parent);
    CLrcData::setMessageHook(
        [guarded](const std::wstring& message) { showUserMessage(guarded.data(), QString::fromStdWString(message)); });
}
