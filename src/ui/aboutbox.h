#pragma once
// The About dialog: product name, version and the maker's lines.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class Taboutbox : public QDialog {
    Q_OBJECT
public:
    explicit Taboutbox(QWidget* parent = nullptr);
    ~Taboutbox() override;

    QWidget* Shape1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* MakerName = nullptr;
    QLabel* MakerContact = nullptr;
    QLabel* MakerMotto = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* OKButton = nullptr;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

extern Taboutbox* aboutbox;
