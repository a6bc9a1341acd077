#pragma once
// The nickname dialog: one edit holding the nickname, "확인" and "취소". The edit takes at most
// what the settings file keeps, so what the user sees is what is saved and read back.
#include <QDialog>
#include <string>

class QLineEdit;

class CNicNameDlg : public QDialog {
public:
    // Control ids.
    enum : int {
        IDC_NICKNAME = 1024,
    };

    explicit CNicNameDlg(QWidget* parent = nullptr);

    // Put into the edit when the dialog opens; after "확인" the nickname as it will be kept.
    // "취소" leaves it as it was.
    std::string m_strNick;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void OnOK();

    QLineEdit* m_editNick = nullptr;
    bool m_bInitialised = false;
};
