#include "ui/app/CHelpWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <vector>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/app/AppIcon.h"
#include "ui/app/ScreenPlacement.h"
#include "ui/app/Utf8.h"

namespace moxtel {

namespace {

QToolButton* AddToolButton(QHBoxLayout* row, const QString& name, const QString& text, QStyle::StandardPixmap icon) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(text);
    button->setIcon(button->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    row->addWidget(button);
    return button;
}

}  // namespace

CHelpWindow::CHelpWindow(const QString& indexFile, const QStringList& searchedFolders, QWidget* parent)
    : QDialog(parent, Qt::Window), m_browser(new QTextBrowser), m_findBar(new QWidget), m_findEdit(new QLineEdit) {
    setObjectName(QStringLiteral("CHelpWindow"));
    setWindowTitle(Utf8("岚谷股票资金流向分析 帮助"));
    setWindowIcon(AppIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    resize(820, 640);

    auto* tools = new QHBoxLayout;
    QToolButton* home = AddToolButton(tools, QStringLiteral("home"), Utf8("目录"), QStyle::SP_DirHomeIcon);
    QToolButton* back = AddToolButton(tools, QStringLiteral("back"), Utf8("后退"), QStyle::SP_ArrowBack);
    QToolButton* forward = AddToolButton(tools, QStringLiteral("forward"), Utf8("前进"), QStyle::SP_ArrowForward);
    QToolButton* find = AddToolButton(tools, QStringLiteral("find"), Utf8("查找"), QStyle::SP_FileDialogContentsView);
    tools->addStretch();
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(home, &QToolButton::clicked, m_browser, &QTextBrowser::home);
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    connect(find, &QToolButton::clicked, this, &CHelpWindow::ShowFindBar);

    m_browser->setObjectName(QStringLiteral("browser"));
    m_browser->setOpenExternalLinks(true);  // web links go to the desktop's browser
    // The browser's source() names the new page only after this signal.
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this](const QUrl& page) {
        m_page = page;
        FitImages();
    });
    m_browser->viewport()->installEventFilter(this);
    // The page's width stays the same when a long page needs the scroll bar, so pictures fit once.
    m_browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BuildFindBar(m_findBar);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_browser, 1);
    layout->addWidget(m_findBar);

    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, &CHelpWindow::ShowFindBar);

    if (indexFile.isEmpty()) {
        home->setEnabled(false);
        ShowMissingManual(searchedFolders);
    } else {
        m_browser->setSource(QUrl::fromLocalFile(indexFile));
    }
}

bool CHelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_browser->viewport() && event->type() == QEvent::Resize) FitImages();
    return QDialog::eventFilter(watched, event);
}

void CHelpWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceInsideScreen(*this);  // beside its parent, but never with its title bar off the screen
}

void CHelpWindow::FitImages() {
    QTextDocument* page = m_browser->document();
    // Spare for the margins of the body and the paragraph the picture stands in.
    const qreal room = m_browser->viewport()->width() - 2 * page->documentMargin() - 40;
    if (room <= 0) return;
    struct Picture {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Picture> pictures;
    for (QTextBlock block = page->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QUrl url = m_page.resolved(QUrl(image.name()));
            const QSize natural = QImageReader(url.toLocalFile()).size();
            if (natural.isEmpty()) continue;
            const qreal width = std::min<qreal>(natural.width(), room);
            if (image.width() == width) continue;
            image.setWidth(width);
            image.setHeight(natural.height() * width / natural.width());
            pictures.push_back({fragment.position(), fragment.length(), image});
        }
    }
    for (const Picture& picture : pictures) {
        QTextCursor cursor(page);
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
    }
}

void CHelpWindow::BuildFindBar(QWidget* bar) {
    bar->setObjectName(QStringLiteral("findBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(Utf8("查找：")));
    m_findEdit->setObjectName(QStringLiteral("findEdit"));
    m_findEdit->setClearButtonEnabled(true);
    row->addWidget(m_findEdit, 1);
    QToolButton* next = AddToolButton(row, QStringLiteral("findNext"), Utf8("下一个"), QStyle::SP_ArrowDown);
    QToolButton* previous = AddToolButton(row, QStringLiteral("findPrevious"), Utf8("上一个"), QStyle::SP_ArrowUp);
    QToolButton* close = AddToolButton(row, QStringLiteral("findClose"), Utf8("关闭"), QStyle::SP_DialogCloseButton);
    auto* status = new QLabel;
    status->setObjectName(QStringLiteral("findStatus"));
    row->addWidget(status);
    const auto findAndTell = [this, status](bool backward) {
        status->setText(FindText(backward) || m_findEdit->text().isEmpty() ? QString() : Utf8("未找到"));
    };
    connect(m_findEdit, &QLineEdit::returnPressed, this, [findAndTell] { findAndTell(false); });
    connect(next, &QToolButton::clicked, this, [findAndTell] { findAndTell(false); });
    connect(previous, &QToolButton::clicked, this, [findAndTell] { findAndTell(true); });
    connect(close, &QToolButton::clicked, bar, &QWidget::hide);
    bar->hide();
}

void CHelpWindow::ShowFindBar() {
    m_findBar->show();
    m_findEdit->setFocus();
    m_findEdit->selectAll();
}

bool CHelpWindow::FindText(bool backward) {
    const QString text = m_findEdit->text();
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (m_browser->find(text, flags)) return true;
    // Once more from the other end of the page.
    QTextCursor cursor = m_browser->textCursor();
    cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    m_browser->setTextCursor(cursor);
    return m_browser->find(text, flags);
}

void CHelpWindow::ShowMissingManual(const QStringList& searchedFolders) {
    QString html = Utf8("<h2>未找到使用手册</h2><p>程序在下列位置查找了手册的 index.html，但都没有找到：</p><ul>");
    for (const QString& folder : searchedFolders)
        html += QStringLiteral("<li>") + folder.toHtmlEscaped() + QStringLiteral("</li>");
    html += Utf8("</ul><p>请重新安装本程序，手册会安装在程序旁边的 share/moxtel/help 文件夹中。</p>");
    m_browser->setHtml(html);
}

}  // namespace moxtel
