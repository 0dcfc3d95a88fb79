#include "ui/frmping.h"

#include "probes/ping.h"
#include "ui/design.h"
#include "ui/dialogs.h"
#include "ui/picturepanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmPing* frmPing = nullptr;

TfrmPing::TfrmPing(QWidget* parent)
    : QDialog(parent, dialogs::kFixedDialog)
{
    setObjectName(QStringLiteral("frmPing"));
    setWindowTitle(QStringLiteral("Ping"));
    setFont(dialogs::DialogFont());
    dialogs::WhiteBackground(this);
    setFixedSize(247, 158);
    design::PlaceOnScreen(this, QPoint(650, 577), size());
    Image2 = new PicturePanel(QStringLiteral(":/art/banner-ping.png"), PicturePanel::Fill::Stretch, this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, 247, 36);
    Label1 = dialogs::Text("Label1", this, 15, 50, QStringLiteral("IP Address"));
    Edit1 = dialogs::Place<QLineEdit>("Edit1", this, 15, 65);
    Edit1->resize(121, 21);
    Button1 = dialogs::Place<QPushButton>("Button1", this, 145, 63, QStringLiteral("Ping"));
    Button1->resize(75, 25);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TfrmPing::Button1Click);
    Label2 = dialogs::Text("Label2", this, 15, 107, QStringLiteral("Result"));
    Edit2 = dialogs::Place<QLineEdit>("Edit2", this, 50, 105);
    Edit2->resize(86, 19);
    Edit2->setReadOnly(true);
    Edit2->setFrame(false);
    QPalette grey = Edit2->palette();
    grey.setColor(QPalette::Base, QColor(226, 226, 226));
    Edit2->setPalette(grey);
    design::Announce(Label1, Edit1);
    design::Announce(Label2, Edit2);
}

TfrmPing::~TfrmPing()
{
    if (frmPing == this)
        frmPing = nullptr;
}

void TfrmPing::Button1Click()
{
    // The probe blocks the UI thread for its 10 ms time-out (plus the lookup of a name).
    const bool found = PingHost(Edit1->text().toStdString());
    Edit2->setText(found ? QStringLiteral("Found") : QStringLiteral("Not Found"));
}
