#pragma once
// The IP Info dialog: the local host's name and IPv4 addresses, filled once when the main window is
// first shown.

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class PicturePanel;

class TfrmIPinfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmIPinfo(QWidget* parent = nullptr);
    ~TfrmIPinfo() override;

    PicturePanel* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QFrame* Panel1 = nullptr;
    PicturePanel* Image2 = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool placed_ = false;
};

extern TfrmIPinfo* frmIPinfo;
