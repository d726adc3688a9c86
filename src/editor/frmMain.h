// SPDX-License-Identifier: MIT

#pragma once

#include "editor/RichTextBox.h"
#include "editor/StatusLabel.h"
#include "files/Settings.h"
#include "files/SettingsFolder.h"
#include "platform/CommonDialog.h"
#include "platform/Desktop.h"
#include "session/DocumentSession.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSessionManager;
namespace skyrend {
class HelpFileReader;
}
class EditMenu;
class TagView;
class TagViewSwitch;
class TypingColorSwatch;
class WindowState;
namespace find {
class EditorFindSupport;
class FindBar;
} // namespace find
namespace panels {
class SidePanels;
}

// The main window: it shows the document session and wires the parts together. Its handlers
// keep their names and live beside their subsystems; those about the document forward to the
// session (src/session):
//   editor/   frmMain.cpp (start-up, layout, title), EditBoxHandlers.cpp, ColorText.cpp,
//             TagWriter.cpp, PurgeColors.cpp, ColorMenus.cpp
//   files/    OpenFile.cpp, FileCommands.cpp, RecentMenu.cpp
//   dialogs/  HelpText.cpp, frmAbout.cpp, frmConfig.cpp
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // `programFolder` is the program's folder, and config.ini lives there. Empty means the
    // executable's folder, with config.ini where the build's layout puts it.
    explicit frmMain(platform::Desktop& desktop, const QString& programFolder = {},
                     QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Document state ------------------------------------------------------------------
    // The program's folder and version. The document's own state lives in its session; the
    // names below read it there.
    QString AppFolder;      // ends with the platform's separator
    QString SettingsFolder; // where config.ini lives, ends with "/"
    QString AppVersion;     // "v.1.2"
    QString CurrentFile() const;
    QString DocTitle() const;
    qint16 UntitledCount() const;
    quint8 IsDirty() const;
    quint8 AbortFlag() const;
    qint32 SavedLength = 0;

    session::DocumentSession& session() { return *session_; }
    const skyrend::Settings& settings() const { return *settings_; }

    // ---- Controls --------------------------------------------------------------------------
    RichTextBox* rEdit = nullptr;
    StatusLabel* lblCaption = nullptr;
    platform::CommonDialog CD1;

    QMenu* menu_File = nullptr;
    QAction* menu_New = nullptr;
    QAction* menu_Open = nullptr;
    QAction* menu_Save = nullptr;
    QAction* menu_SaveAs = nullptr;
    QAction* menu_Reload = nullptr;
    QAction* s1a = nullptr;
    QMenu* menu_RecentFile = nullptr;
    std::array<QAction*, 5> menu_Recent{};
    QAction* s1b = nullptr;
    QAction* menu_ResetList = nullptr;
    QAction* s1c = nullptr;
    QAction* menu_Config = nullptr;
    QAction* s2d = nullptr;
    QAction* menu_Exit = nullptr;
    QMenu* menu_Tools = nullptr;
    QAction* menu_PurgeColors = nullptr;
    QMenu* menu_Colors = nullptr;
    QList<QAction*> menu_Color;
    QAction* s2 = nullptr;
    QMenu* menu_Insert = nullptr;
    QList<QAction*> menu_macro;
    QMenu* menu_Help = nullptr;
    QAction* menu_HelpFile = nullptr;
    QAction* menu_About = nullptr;
    // Beyond the design: the Edit menu, the find bar, the typing colour, the window's state.
    QMenu* menu_Edit = nullptr;
    EditMenu* editMenu = nullptr;
    find::FindBar* findBar = nullptr;
    TypingColorSwatch* colorSwatch = nullptr;
    WindowState* windowState = nullptr;
    // The Pages and Problems panels and the View menu.
    panels::SidePanels* sidePanels = nullptr;
    QMenu* menu_View = nullptr;
    // View, Show Tags: the document's tagged text, edited in place of the coloured box.
    TagView* tagView = nullptr;
    TagViewSwitch* tagViews = nullptr;
    QAction* menu_ShowTags = nullptr;

    // ---- Start-up and layout (editor/frmMain.cpp) -------------------------------------------
    void Form_Load();
    void Form_Resize();
    // The window title from DocTitle, with "*]" while the document is edited.
    QString titleText() const;
    // Shows titleText() as the window title, a "[*]" in the name included.
    void showTitle();
    // Marks the document as differing from its file (true), or as its file's (false: only what
    // has just been read or written is).
    void setDirty(bool dirty);
    static QString folderWithSeparator(const QString& folder);
    // Design sizes are in twips; these convert at the screen's real DPI.
    int twipsX(int twips) const;
    int twipsY(int twips) const;

    // ---- Edit box (editor/EditBoxHandlers.cpp) -------------------------------------------
    void rEdit_Change();
    void rEdit_KeyDown(int key, Qt::KeyboardModifiers shift);
    void rEdit_KeyUp(int key, Qt::KeyboardModifiers shift);
    // Text typed into the box (after it is in): a colour tag is taken at once.
    void rEdit_TextTyped(int key, const QString& text);
    // The header of the page the caret is on, in the status label (after a key or a click).
    void showPageHeader();
    void rEdit_MouseDown(int button, Qt::KeyboardModifiers shift, int x, int y);
    QString GetTagColor(const QString& letter) const;

    // ---- Colorizer, save, purge (editor/) --------------------------------------------------
    void colorText(const QString& text, RichTextBox* target);
    // The same for a file read in pieces (its bytes, not decoded yet).
    void colorText(skyrend::HelpFileReader& reader, RichTextBox* target);
    // The colorizer's progress for character k (0-based) of m, rounded half to even.
    static int phase2Percent(std::size_t k, std::size_t m);
    // The save's progress figure: general notation, 15 significant digits, the user's locale.
    static QString savedPercent(double percent);
    // True when the file was written.
    bool menu_Save_Click();
    void menu_PurgeColors_Click();

    // ---- Colour and macro menus (editor/ColorMenus.cpp) ------------------------------------
    void BuildMenus();
    void menu_Color_Click(int index);
    void menu_macro_Click(int index);

    // ---- Files (files/) --------------------------------------------------------------------
    static bool FileExists(const QString& path);
    void OpenFile(const QString& path);
    void menu_New_Click();
    void menu_Open_Click();
    // True when the document was written under the chosen name.
    bool menu_SaveAs_Click();
    // File, Reload: reads the file again, asking first when there are edits.
    void menu_Reload_Click();
    void menu_Recent_Click(int index);
    void menu_Exit_Click();
    // False when the user cancelled the close.
    bool Form_QueryUnload();
    // The desktop session is about to end; false when the user cancelled.
    bool sessionEnding(bool mayAsk);
    void LoadRecentMenu();
    void menu_ResetList_Click();
    // config.ini: in SettingsFolder, which is made when it does not exist yet.
    QString settingsFile() const { return settings_->file(); }

    // ---- Dialogs (dialogs/) ----------------------------------------------------------------
    void menu_HelpFile_Click();
    void menu_About_Click();
    void menu_Config_Click();

    // ---- Safety net ---------------------------------------------------------------------------
    // Offers the newest recovery copy an editor that did not exit cleanly left behind.
    void recoverAtStart();
    // Asked before Save writes over `path`: false when it changed on disk and the user declines.
    bool mayOverwrite(const QString& path);

    // A load or save is running: input is refused until it ends.
    bool isBusy() const { return session_->isBusy(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createMenus();
    void connectSession();
    void createTagViewItem();
    // Turns a "%" and a colour letter just before the caret into the typing colour; true when
    // there was one. `justTyped` says whether the letter was typed by the key being handled.
    bool takeTagBeforeCaret(const std::function<bool(QChar)>& justTyped);
    // The title and the commands that follow the session's state.
    void showDocumentState();
    void activityChanged(session::DocumentSession::Activity activity);
    // Asks about unsaved edits before the document is replaced or the window closes. True
    // when the command may go on (No, or Yes and the file was written).
    bool confirmDiscard();
    void openDroppedFiles(const QList<QUrl>& urls);
    void commitData(QSessionManager& manager);
    // Puts the path first in the recent list in config.ini.
    void rememberRecentFile(const QString& path);
    // Takes the path out of the recent list in config.ini; the entries after it move up.
    void forgetRecentFile(const QString& path);

    platform::Desktop& desktop_;
    QString programFolder_;
    std::unique_ptr<skyrend::Settings> settings_;
    QWidget* central_ = nullptr;
    session::DocumentSession* session_ = nullptr; // a child object
    std::unique_ptr<find::EditorFindSupport> findSupport_;
    bool closeWhenIdle_ = false; // a close came while busy
    bool closeApproved_ = false; // the session's end already asked about unsaved edits
    // Where the last typed colour tag left the document (its revision) and the caret.
    struct {
        int revision = -1;
        int position = -1;
    } typedTag_;
};
