#include "ui/frmipinfo.h"

#include "ui/design.h"
#include "ui/dialogs.h"
#include "ui/frmmain.h"
#include "ui/picturepanel.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

TfrmIPinfo* frmIPinfo = nullptr;

TfrmIPinfo::TfrmIPinfo(QWidget* parent)
    : QDialog(parent, dialogs::kFixedDialog)
{
    setObjectName(QStringLiteral("frmIPinfo"));
    setWindowTitle(QStringLiteral("IP Info"));
    setFont(dialogs::DialogFont());
    dialogs::WhiteBackground(this);
    setFixedSize(243, 275);
    Image1 = new PicturePanel(QStringLiteral(":/art/banner-ipinfo.png"), PicturePanel::Fill::Stretch, this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 243, 26);
    Label2 = dialogs::Text("Label2", this, 25, 50, QStringLiteral("Hostname"));
    Edit1 = dialogs::Place<QLineEdit>("Edit1", this, 25, 65);
    Edit1->resize(191, 21);
    Edit1->setReadOnly(true);
    Label1 = dialogs::Text("Label1", this, 25, 105, QStringLiteral("IP Addresses"));
    ListBox1 = dialogs::Place<QListWidget>("ListBox1", this, 25, 120);
    ListBox1->resize(191, 97);
    design::Announce(Label2, Edit1);
    design::Announce(Label1, ListBox1);
    Panel1 = dialogs::Place<QFrame>("Panel1", this, 0, 275 - 41);
    Panel1->resize(243, 41);
    Image2 = new PicturePanel(QStringLiteral(":/art/panel-ipinfo.png"), PicturePanel::Fill::Stretch, Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(Panel1->rect());
    BitBtn1 = dialogs::Place<QPushButton>("BitBtn1", Panel1, 80, 6, QStringLiteral("OK"));
    BitBtn1->resize(75, 25);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    // OK closes the window, as users expect of an OK button; closing only hides it.
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmIPinfo::~TfrmIPinfo()
{
    if (frmIPinfo == this)
        frmIPinfo = nullptr;
}

void TfrmIPinfo::showEvent(QShowEvent* event)
{
    if (!placed_ && frmmain != nullptr) {
        placed_ = true;
        design::PlaceOnScreen(this, frmmain->geometry().center() - rect().center(), size());
    }
    QDialog::showEvent(event);
}
