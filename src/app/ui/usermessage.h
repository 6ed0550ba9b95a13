// Messages for the user.
//
// Every message the application shows with a single OK button goes through showUserMessage,
// so that headless rendering can send the same texts to standard error instead of a box.
#pragma once

#include <QString>

#include <functional>

class QWidget;

/// Receives the text of a message for the user.
using CUserMessageSink = std::function<void(const QString& text)>;

/// Replaces where messages go; an empty sink restores the default (a modal QMessageBox with an
/// OK button, titled with the application name). Call from the user interface thread.
void setUserMessageSink(CUserMessageSink sink);

/// Shows text to the user (see setUserMessageSink); parent may be null.
void showUserMessage(QWidget* parent, const QString& text);

/// Routes the lyric document's messages (a missing LRC file) to showUserMessage with parent.
void installLrcMessageHook(QWidget* parent);
