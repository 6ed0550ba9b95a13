// The private messages between the panes and the main frame, and the command identifiers.
//
// The layout view, the row tree and the main frame talk through three private events whose
// types lie at the same offsets above QEvent::User as the window messages they stand for lie
// above WM_USER:
//
//   kMsgRowChosen        (User + 100)  tree -> layout view, sent: a row or region was chosen;
//                                      wParam = region number 1..5, 0 for a row; the tree has
//                                      set the document's current row before sending.
//   kMsgRegionsChanged   (User + 101)  adapter -> layout view, posted: a command added a shape;
//                                      layout view -> main frame, posted: regions were tagged
//                                      or deleted (the frame refills the tree).
//   kMsgSelectionChanged (User + 102)  adapter -> main frame, sent: the selection changed;
//                                      wParam = number of selected shapes (at most 2), lParam =
//                                      tag of the first, 0 when none.
//
// kMsgCommand (User + 103) carries a posted menu command (wParam = command id) to the layout
// view; it passes the command's enabling rule like any other route.
//
// "Sent" is QCoreApplication::sendEvent (the handler runs before the call returns), "posted"
// is QCoreApplication::postEvent (the receiver's event loop delivers it later; the receiver
// takes ownership of the event).
#pragma once

#include <QEvent>

inline constexpr QEvent::Type kMsgRowChosen = static_cast<QEvent::Type>(QEvent::User + 100);
inline constexpr QEvent::Type kMsgRegionsChanged = static_cast<QEvent::Type>(QEvent::User + 101);
inline constexpr QEvent::Type kMsgSelectionChanged = static_cast<QEvent::Type>(QEvent::User + 102);
inline constexpr QEvent::Type kMsgCommand = static_cast<QEvent::Type>(QEvent::User + 103);

/// Menu command: add a region for the current row (switch to rectangle drawing).
inline constexpr int kCmdAddRegion = 32771;
/// Menu command: delete the one selected region.
inline constexpr int kCmdDeleteRegion = 32772;

/// Status bar pane identifiers, in the order the panes are created after the message pane.
inline constexpr int kPaneChanged = 104; ///< "已改动" while unsaved
inline constexpr int kPaneX = 101; ///< "X%.0f", model x of the cursor
inline constexpr int kPaneY = 102; ///< "Y%.0f", model y of the cursor
inline constexpr int kPaneZoom = 103; ///< "%.1f%%", view scale

/// One private message with its two parameters. answer() is what the receiver replies
/// (meaningful for sent messages only).
class CAppMessage : public QEvent {
public:
    explicit CAppMessage(QEvent::Type type, qintptr wParam = 0, qintptr lParam = 0) noexcept
        : QEvent(type)
        , m_wParam(wParam)
        , m_lParam(lParam)
    {
    }

    [[nodiscard]] qintptr wParam() const noexcept { return m_wParam; }
    [[nodiscard]] qintptr lParam() const noexcept { return m_lParam; }
    [[nodiscard]] qintptr answer() const noexcept { return m_answer; }
    void setAnswer(qintptr value) noexcept { m_answer = value; }

private:
    qintptr m_wParam;
    qintptr m_lParam;
    qintptr m_answer = 0;
};
