#pragma once
// The Ping dialog: echo-probes one address or host name on demand.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class PicturePanel;

class TfrmPing : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPing(QWidget* parent = nullptr);
    ~TfrmPing() override;

    PicturePanel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;

    void Button1Click();
};

extern TfrmPing* frmPing;
