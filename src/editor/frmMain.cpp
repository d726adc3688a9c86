// SPDX-License-Identifier: MIT

#include "editor/frmMain.h"

#include "document/Palette.h"
#include "editor/EditMenu.h"
#include "editor/ProgramIcon.h"
#include "editor/TagView.h"
#include "editor/TagViewSwitch.h"
#include "editor/TypingColorSwatch.h"
#include "editor/WindowState.h"
#include "files/ExportCommands.h"
#include "find/EditorFindSupport.h"
#include "find/FindBar.h"
#include "panels/PagesPanel.h"
#include "panels/ProblemCountLabel.h"
#include "panels/ProblemsPanel.h"
#include "panels/SidePanels.h"
#include "session/SafetyNet.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFontDatabase>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSessionManager>
#include <QTextDocument>
#include <QTreeView>

namespace {

// Design sizes, in twips.
constexpr int kClientWidth = 7965;
constexpr int kClientHeight = 5880;
constexpr int kEditWidth = 7935;
constexpr int kEditHeight = 4935;
constexpr int kLabelTop = 5640;
constexpr int kLabelWidth = 7935;
constexpr int kLabelHeight = 255;

const QString kFilter =
    QStringLiteral("Skyrend Help (.hlp)|*.hlp|Text File (.txt)|*.txt|All Files|*.*");

QFont fontOrFallback(const QString& family, qreal pointSize, QFontDatabase::SystemFont fallback)
{
    QFont font = QFontDatabase::families().contains(family, Qt::CaseInsensitive)
                     ? QFont(family)
                     : QFontDatabase::systemFont(fallback);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

frmMain::frmMain(platform::Desktop& desktop, const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), CD1(desktop, this), desktop_(desktop), programFolder_(programFolder)
{
    AppFolder = folderWithSeparator(
        programFolder_.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder_);
    // A folder given by the caller (tests) keeps config.ini, whatever the build's layout.
    SettingsFolder =
        skyrend::settingsFolder(programFolder_.isEmpty() ? skyrend::builtSettingsLayout()
                                                         : skyrend::SettingsLayout::Portable,
                                AppFolder);
    settings_ = std::make_unique<skyrend::Settings>(SettingsFolder);
    setWindowIcon(programIcon());
    createControls();
    session_ = new session::DocumentSession(*rEdit, desktop_, CD1, *settings_, this, this);
    createMenus();
    connectSession();
    Form_Load();
    sidePanels = new panels::SidePanels(*this, *rEdit, *central_, *settings_);
    menu_View = sidePanels->createViewMenu(*menuBar(), menu_Colors->menuAction());
    sidePanels->followShownText([this]() -> QWidget& { return tagViews->current(); });
    // Undo and Redo act on the document from the panels' lists too (elsewhere the focused field
    // undoes its own text).
    for (QWidget* list :
         std::initializer_list<QWidget*>{&sidePanels->pages->view(), &sidePanels->problems->view()})
        list->addActions({editMenu->undo, editMenu->redo});
    connect(sidePanels->problems, &panels::ProblemsPanel::countChanged, this,
            &frmMain::Form_Resize);
    createTagViewItem();
    Form_Resize();
    // Last, so that nothing made after it changes the size it restores.
    windowState = new WindowState(*this, *rEdit, *settings_);
    windowState->restore();
    windowState->zoomAlso(*tagView);
    menu_View->addSeparator();
    menu_View->addActions({windowState->zoomIn, windowState->zoomOut, windowState->zoomReset});
}

frmMain::~frmMain() = default;

QString frmMain::folderWithSeparator(const QString& folder)
{
    const QString native = QDir::fromNativeSeparators(folder);
    return native.endsWith(QLatin1Char('/')) ? native : native + QLatin1Char('/');
}

int frmMain::twipsX(int twips) const
{
    return twipsToPixels(twips, logicalDpiX());
}
int frmMain::twipsY(int twips) const
{
    return twipsToPixels(twips, logicalDpiY());
}

void frmMain::createControls()
{
    central_ = new QWidget(this);
    setCentralWidget(central_);
    central_->installEventFilter(this);

    rEdit = new RichTextBox(central_);
    rEdit->setObjectName(QStringLiteral("rEdit"));
    rEdit->setGeometry(0, 0, twipsX(kEditWidth), twipsY(kEditHeight));
    rEdit->setFont(fontOrFallback(QStringLiteral("Fixedsys"), 9, QFontDatabase::FixedFont));
    // The palette is made for the game's dark help window ("White" is a light grey).
    QPalette pal = rEdit->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, Qt::black);
        pal.setColor(group, QPalette::Text, toQColor(skyrend::ColorValues[skyrend::White]));
        pal.setColor(group, QPalette::Highlight, QColor(0x2F, 0x5A, 0x8C));
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    rEdit->setPalette(pal);
    rEdit->setCursorWidth(2);
    rEdit->setAccessibleName(QStringLiteral("Help text"));
    rEdit->setAccessibleDescription(
        QStringLiteral("The help file in its colours; the colour tags are hidden. The Colors menu "
                       "colours the selection."));

    lblCaption = new StatusLabel(central_);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setGeometry(0, twipsY(kLabelTop), twipsX(kLabelWidth), twipsY(kLabelHeight));
    lblCaption->setFont(fontOrFallback(QStringLiteral("Tahoma"), 8.25, QFontDatabase::GeneralFont));
    lblCaption->setText(QStringLiteral("Welcome"));

    tagView = new TagView(central_);
    tagViews = new TagViewSwitch(*rEdit, *tagView);
    connect(tagViews, &TagViewSwitch::caretMoved, this, &frmMain::showPageHeader);
    findSupport_ = std::make_unique<find::EditorFindSupport>(
        *rEdit, [this]() -> QPlainTextEdit& { return tagViews->current(); });
    findBar = new find::FindBar(*findSupport_, central_);
    connect(findBar, &find::FindBar::shownOrHidden, this, &frmMain::Form_Resize);
    colorSwatch = new TypingColorSwatch(*rEdit, central_);
    colorSwatch->setFont(lblCaption->font());

    connect(rEdit, &RichTextBox::Change, this, &frmMain::rEdit_Change);
    connect(rEdit, &RichTextBox::KeyDown, this, &frmMain::rEdit_KeyDown);
    connect(rEdit, &RichTextBox::KeyUp, this, &frmMain::rEdit_KeyUp);
    connect(rEdit, &RichTextBox::TextTyped, this, &frmMain::rEdit_TextTyped);
    connect(rEdit, &RichTextBox::KeyDone, this, &frmMain::showPageHeader);
    connect(rEdit, &RichTextBox::MouseDown, this, &frmMain::rEdit_MouseDown);
    connect(rEdit, &RichTextBox::menuKeyPressed, this, [this](QPoint at) {
        if (menu_Colors->menuAction()->isEnabled())
            menu_Colors->popup(at);
    });
    connect(rEdit, &RichTextBox::filesDropped, this, &frmMain::openDroppedFiles);
    setAcceptDrops(true);

    connect(qApp, &QGuiApplication::commitDataRequest, this, &frmMain::commitData);

    resize(twipsX(kClientWidth), twipsY(kClientHeight) + menuBar()->sizeHint().height());
}

void frmMain::createMenus()
{
    auto item = [this](QMenu* menu, const QString& caption, auto handler,
                       const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(caption);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenuBar* bar = menuBar();

    menu_File = bar->addMenu(QStringLiteral("&File"));
    menu_New = item(menu_File, QStringLiteral("&New"), &frmMain::menu_New_Click,
                    QKeySequence(Qt::CTRL | Qt::Key_N));
    menu_Open = item(menu_File, QStringLiteral("&Open"), &frmMain::menu_Open_Click,
                     QKeySequence(Qt::CTRL | Qt::Key_O));
    menu_Save = item(menu_File, QStringLiteral("&Save"), &frmMain::menu_Save_Click,
                     QKeySequence(Qt::CTRL | Qt::Key_S));
    menu_Save->setEnabled(false);
    menu_SaveAs = item(menu_File, QStringLiteral("Save &As"), &frmMain::menu_SaveAs_Click,
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    menu_Reload = item(menu_File, QStringLiteral("&Reload"), &frmMain::menu_Reload_Click,
                       QKeySequence(Qt::Key_F5));
    menu_Reload->setEnabled(false);
    new ExportCommands(*menu_File, *rEdit, *session_, desktop_, this);
    s1a = menu_File->addSeparator();
    menu_RecentFile = menu_File->addMenu(QStringLiteral("Recent &Files"));
    // At design the submenu holds the last entry, empty and disabled; the others are made at
    // start-up, in index order before it.
    menu_Recent[4] = item(menu_RecentFile, QString(), [this] { menu_Recent_Click(4); });
    menu_Recent[4]->setEnabled(false);
    s1b = menu_RecentFile->addSeparator();
    menu_ResetList =
        item(menu_RecentFile, QStringLiteral("&Reset"), &frmMain::menu_ResetList_Click);
    s1c = menu_File->addSeparator();
    s1c->setVisible(false);
    menu_Config = item(menu_File, QStringLiteral("&Configuration"), &frmMain::menu_Config_Click);
    menu_Config->setVisible(false);
    s2d = menu_File->addSeparator();
    menu_Exit = item(menu_File, QStringLiteral("E&xit"), &frmMain::menu_Exit_Click,
                     QKeySequence(Qt::CTRL | Qt::Key_Q));

    menu_Edit = bar->addMenu(QStringLiteral("&Edit"));
    editMenu = new EditMenu(
        *menu_Edit, *rEdit, *findBar, desktop_, [this] { return isBusy(); }, this);
    editMenu->followShown([this]() -> QPlainTextEdit& { return tagViews->current(); });

    menu_Tools = bar->addMenu(QStringLiteral("&Tools"));
    menu_PurgeColors =
        item(menu_Tools, QStringLiteral("&Purge Colors"), &frmMain::menu_PurgeColors_Click);
    menu_Tools->menuAction()->setVisible(false);

    menu_Colors = bar->addMenu(QStringLiteral("&Colors"));
    connect(menu_Colors, &QMenu::triggered, colorSwatch, &TypingColorSwatch::updateLater);
    menu_Color.append(
        item(menu_Colors, QStringLiteral("%colorname%"), [this] { menu_Color_Click(0); }));
    s2 = menu_Colors->addSeparator();
    menu_Insert = menu_Colors->addMenu(QStringLiteral("&Insert"));
    menu_macro.append(
        item(menu_Insert, QStringLiteral("TODO: INSERT MACRO"), [this] { menu_macro_Click(0); }));

    menu_Help = bar->addMenu(QStringLiteral("&Help"));
    menu_HelpFile = item(menu_Help, QStringLiteral("&Help Topics"), &frmMain::menu_HelpFile_Click,
                         QKeySequence(Qt::Key_F1));
    menu_About = item(menu_Help, QStringLiteral("&About..."), &frmMain::menu_About_Click);
}

void frmMain::createTagViewItem()
{
    menu_View->addSeparator();
    menu_ShowTags = menu_View->addAction(QStringLiteral("&Show Tags"));
    menu_ShowTags->setCheckable(true);
    menu_ShowTags->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    connect(menu_ShowTags, &QAction::toggled, this, [this](bool shown) {
        if (isBusy())
            menu_ShowTags->setChecked(tagViews->isShown());
        else
            tagViews->setShown(shown);
    });
    connect(tagViews, &TagViewSwitch::shownChanged, menu_ShowTags, &QAction::setChecked);
    editMenu->followUndo(*tagView);
    connect(tagViews, &TagViewSwitch::shownChanged, editMenu, &EditMenu::refresh);
    // A new document in the box leaves the tags of the old one.
    using session::DocumentSession;
    connect(session_, &DocumentSession::documentCleared, tagViews, &TagViewSwitch::drop);
    connect(session_, &DocumentSession::restored, tagViews, &TagViewSwitch::drop);
    connect(session_, &DocumentSession::activityChanged, this, [this](auto activity) {
        if (activity == DocumentSession::Activity::Loading)
            tagViews->drop();
    });
}

void frmMain::Form_Load()
{
    AppVersion = QStringLiteral("v.%1.%2").arg(SKYREND_VERSION_MAJOR).arg(SKYREND_VERSION_MINOR);
    BuildMenus();
    rEdit->setSelColor(skyrend::ColorValues[skyrend::Green]);
    LoadRecentMenu();
    // A thin sunken frame around the edit box.
    rEdit->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    rEdit->setLineWidth(1);
    CD1.Filter = kFilter;
    showDocumentState();
    lblCaption->setText(QStringLiteral(" :: Skyrend F1 Editor ::"));
    SavedLength = 0;
}

void frmMain::connectSession()
{
    using session::DocumentSession;
    connect(session_, &DocumentSession::identityChanged, this, &frmMain::showDocumentState);
    connect(session_, &DocumentSession::editedChanged, this, &frmMain::showDocumentState);
    connect(session_, &DocumentSession::status, lblCaption, &StatusLabel::setText);
    connect(session_, &DocumentSession::activityChanged, this, &frmMain::activityChanged);
    connect(session_, &DocumentSession::fileRead, this, [this](const QString& path) {
        rememberRecentFile(path);
        LoadRecentMenu();
        SavedLength = qint32(qMin<qsizetype>(rEdit->TextLength(), INT32_MAX));
    });
    connect(session_, &DocumentSession::loadCancelled, this, &frmMain::LoadRecentMenu);
    connect(session_, &DocumentSession::fileSaved, this, [this](const QString& path, bool renamed) {
        // The file saved under a new name is the first recent file, as a file opened is.
        if (renamed) {
            rememberRecentFile(path);
            LoadRecentMenu();
        }
    });
}

void frmMain::showDocumentState()
{
    showTitle();
    // While a file is read, nothing may start another load or a save of the half-filled box.
    const bool loading = session_->activity() == session::DocumentSession::Activity::Loading;
    menu_RecentFile->menuAction()->setEnabled(!loading);
    menu_SaveAs->setEnabled(!loading);
    menu_Colors->menuAction()->setEnabled(!loading);
    menu_Save->setEnabled(!isBusy() && session_->isEdited());
    menu_Reload->setEnabled(!isBusy() && !session_->path().isEmpty());
    if (menu_ShowTags)
        menu_ShowTags->setEnabled(!isBusy());
}

void frmMain::activityChanged(session::DocumentSession::Activity activity)
{
    showDocumentState();
    if (activity == session::DocumentSession::Activity::Idle && closeWhenIdle_) {
        closeWhenIdle_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

QString frmMain::CurrentFile() const
{
    return session_->path();
}

QString frmMain::DocTitle() const
{
    return session_->title();
}

qint16 frmMain::UntitledCount() const
{
    return qint16(session_->untitledNumber());
}

quint8 frmMain::IsDirty() const
{
    return session_->isEdited() ? 1 : 0;
}

quint8 frmMain::AbortFlag() const
{
    return session_->abortRequested() ? 1 : 0;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == central_ && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize()
{
    const int W = central_->width();
    const int H = central_->height();
    const int L = lblCaption->height();
    // The find bar, when shown, sits between the text and the label.
    const int F = findBar->isHidden() ? 0 : findBar->sizeHint().height();
    // Too small for the label: the edit box keeps its last height, the label still moves.
    if (H - L - F >= 0) {
        rEdit->setGeometry(rEdit->x(), 0, W, H - L - F);
        tagView->setGeometry(rEdit->geometry());
    }
    findBar->setGeometry(0, H - L - F, W, F);
    lblCaption->move(lblCaption->x(), H - L);
    const int S = colorSwatch->sizeHint().width();
    colorSwatch->setGeometry(W - S, H - L, S, L);
    colorSwatch->raise();
    if (sidePanels) { // the problem count, left of the swatch
        QWidget* count = sidePanels->problemCount;
        const int P = count->sizeHint().width();
        count->setGeometry(W - S - P, H - L, P, L);
        count->raise();
    }
}

QString frmMain::titleText() const
{
    return QStringLiteral("Skyrend F1 Editor ") + AppVersion + QStringLiteral(" [") + DocTitle() +
           (IsDirty() ? QStringLiteral("*]") : QStringLiteral("]"));
}

void frmMain::showTitle()
{
    // Qt reads "[*]" in a title as the place of its edited mark; "[*][*]" shows "[*]" itself.
    setWindowTitle(titleText().replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void frmMain::setDirty(bool dirty)
{
    if (dirty)
        session_->markDiffersFromFile();
    else
        session_->markSaved();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (isBusy()) {
        // A load stops at once (nothing was edited); a save finishes first. Either way the
        // window closes when the command is over.
        closeWhenIdle_ = true;
        if (session_->activity() == session::DocumentSession::Activity::Loading)
            session_->requestAbort(true);
        event->ignore();
        return;
    }
    if (closeApproved_ || Form_QueryUnload()) {
        windowState->save();
        event->accept();
    } else
        event->ignore();
}

void frmMain::commitData(QSessionManager& manager)
{
    if (isBusy()) {
        closeWhenIdle_ = true;
        if (session_->activity() == session::DocumentSession::Activity::Loading) {
            session_->requestAbort(true);
            closeApproved_ = true;
        }
        return;
    }
    const bool mayAsk = manager.allowsInteraction();
    const bool goOn = sessionEnding(mayAsk);
    if (mayAsk)
        manager.release();
    if (!goOn)
        manager.cancel();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    openDroppedFiles(event->mimeData()->urls());
}

void frmMain::recoverAtStart()
{
    session_->offerRecoveryAtStart();
}

bool frmMain::mayOverwrite(const QString& path)
{
    session::SafetyNet* net = session_->safetyNet();
    return !net || net->mayOverwrite(path);
}
