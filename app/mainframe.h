#pragma once
// The main frame: holds the form, carries the program's title, and hides instead of closing or
// minimising, so the program lives on in the tray.
#include <QMainWindow>

class COvrinView;

class CMainFrame : public QMainWindow {
public:
    CMainFrame();
    COvrinView* View() const { return m_pView; }
    // Brings the hidden or minimised frame back to the front.
    void ShowFromHidden();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool CarriesProgramTitle() const;
    COvrinView* m_pView;
};
