#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMdiArea;
class QMenu;
class SearchIndexBar;

// The main window: menus, handoff values and the area that holds the import windows.
class mdiFrm : public QMainWindow {
    Q_OBJECT
public:
    explicit mdiFrm(QWidget *parent = nullptr);
    ~mdiFrm() override;

    static mdiFrm *instance();
    QMdiArea *mdiArea() const { return area_; }

    QMenu *mnu_SysTem;
    QAction *mnu_Setting;
    QAction *mnu_LoginAgain;
    QAction *mnu_Exit;
    QMenu *mnuAdd;
    QAction *mnu_AddFolder;
    QAction *mnu_bar;
    QAction *mnu_AddText;
    QAction *mnu_AddImage;
    QAction *mnu_AddMedia;
    QAction *mnu_AddSound;
    QAction *mnu_AddOffice;
    QMenu *mnubrowse;
    QAction *mnu_BroFolder;
    QAction *mnubar1;
    QAction *mnu_BroText;
    QAction *mnu_BroImage;
    QAction *mnu_BroMedia;
    QAction *mnu_BroSound;
    QAction *mnu_BroOffice;
    QMenu *mnu_FindData;
    QAction *mnu_Find;
    QAction *mnu_RecycleBin;
    QAction *mnu_Check;
    QAction *mnu_About;
    // The status line, shown while the search index is built.
    SearchIndexBar *searchIndexBar;

    // The five default filters, in the order they are written at first start.
    static QList<QPair<QString, QString>> defaultFilters();
    // Writes the defaults when txtText is empty; never touches a configured file.
    static void SeedConfiguration();

    // The single instances of the search, settings and about windows (null until first shown).
    QWidget *findWindow() const { return find_; }
    QWidget *settingWindow() const { return setting_; }
    QWidget *aboutWindow() const { return about_; }
    QWidget *recycleBinWindow() const { return bin_; }
    QWidget *checkWindow() const { return check_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addEntry(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut = {});
    void importCommand(const QString &filterKey, const QString &caption, int kind);
    void browseCommand(const QString &caption, int kind);
    void restart();
    void exitProgram();
    void showImportWindow();
    void showBrowseWindow();
    void showFind();
    void showSetting();
    void showAbout();
    void showRecycleBin();

    QMdiArea *area_;
    QPointer<QWidget> find_;
    QPointer<QWidget> setting_;
    QPointer<QWidget> about_;
    QPointer<QWidget> bin_;
    QPointer<QWidget> check_;
};
