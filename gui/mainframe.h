#pragma once
// The main frame: holds the form and the tray menu, carries the program's title, and hides instead
// of closing or minimising, so the program lives on in the tray. Where no tray icon could be shown
// nothing would bring a hidden window back: closing then ends the program, as "Exit" does, and
// minimising leaves the window on the taskbar.
#include <QMainWindow>
#include <memory>

class CBTray;
class ClientSession;
class COvrinView;
class PictureCheckTiles;

class CMainFrame : public QMainWindow {
public:
    explicit CMainFrame(ClientSession& session, std::shared_ptr<PictureCheckTiles> checkTiles = {});
    COvrinView* View() const { return m_pView; }
    // Brings the hidden or minimised frame back to the front.
    void ShowFromHidden();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool CarriesProgramTitle() const;
    // The program's window with a tray icon to bring it back.
    bool HidesIntoTray() const;
    COvrinView* m_pView;
    CBTray* m_pBTray;  // a child of the frame
};
