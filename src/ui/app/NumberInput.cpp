#include "ui/app/NumberInput.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace moxtel {

namespace {

const QRegularExpression& NumberPattern(NumberInputGuard::Percent percent) {
    static const QRegularExpression plain(QStringLiteral("[+-]?[0-9]*\\.?[0-9]*"));
    static const QRegularExpression withPercent(QStringLiteral("[+-]?[0-9]*\\.?[0-9]*%?"));
    return percent == NumberInputGuard::Percent::Allowed ? withPercent : plain;
}

// The edit's text after text is pasted over its selection at the cursor.
QString TextAfterPaste(const QLineEdit& edit, const QString& text) {
    QString result = edit.text();
    if (edit.hasSelectedText()) {
        result.replace(edit.selectionStart(), edit.selectedText().size(), text);
    } else {
        result.insert(edit.cursorPosition(), text);
    }
    return result;
}

}  // namespace

NumberInputGuard::NumberInputGuard(QLineEdit& edit, std::function<void(const QString&)> onBadPaste,
                                   Percent percent)
    : QObject(&edit), m_edit(edit), m_onBadPaste(std::move(onBadPaste)), m_percent(percent) {
    edit.setValidator(new QRegularExpressionValidator(NumberPattern(percent), &edit));
    edit.installEventFilter(this);
    connect(&edit, &QLineEdit::inputRejected, this, &NumberInputGuard::OnRejected);
}

bool NumberInputGuard::IsNumberText(const QString& text, Percent percent) {
    const QRegularExpression whole(QRegularExpression::anchoredPattern(NumberPattern(percent).pattern()));
    return whole.match(text).hasMatch();
}

bool NumberInputGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_edit) return false;
    m_typing = event->type() == QEvent::KeyPress;
    if (m_typing && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        const QString pasted = QGuiApplication::clipboard()->text();
        if (!IsNumberText(TextAfterPaste(m_edit, pasted), m_percent)) {
            m_onBadPaste(pasted);
            return true;
        }
        m_typing = false;
    }
    return false;
}

void NumberInputGuard::OnRejected() {
    if (m_typing) return;
    // A paste from the context menu (clipboard) or the middle button (selection).
    const QClipboard& clipboard = *QGuiApplication::clipboard();
    const QString pasted = clipboard.text().isEmpty() ? clipboard.text(QClipboard::Selection) : clipboard.text();
    m_onBadPaste(pasted);
}

}  // namespace moxtel
