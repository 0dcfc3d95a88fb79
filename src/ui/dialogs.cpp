#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include "probes/Ping.h"
#include "ui/artwork.h"
#include "ui/design.h"
#include "ui/dialogs_common.h"
#include "ui/frmmain.h"
#include "ui/picturepanel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

TfrmPing* frmPing = nullptr;
TfrmIPinfo* frmIPinfo = nullptr;
Taboutbox* aboutbox = nullptr;

namespace dialogs {

QFont DialogFont()
{
    LoadArtwork();
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

} // namespace dialogs

using dialogs::Place;

namespace {

void WhiteBackground(QWidget* w)
{
    w->setPalette(design::Palette(Qt::white));
    w->setAutoFillBackground(true);
}

QLabel* Text(const char* name, QWidget* parent, int x, int y, const QString& text)
{
    auto* label = Place<QLabel>(name, parent, x, y, text);
    label->adjustSize();
    return label;
}

} // namespace

TfrmPing::TfrmPing(QWidget* parent)
    : QDialog(parent, dialogs::kFixedDialog)
{
    setObjectName(QStringLiteral("frmPing"));
    setWindowTitle(QStringLiteral("Ping"));
    setFont(dialogs::DialogFont());
    WhiteBackground(this);
    setFixedSize(247, 158);
    design::PlaceOnScreen(this, QPoint(650, 577), size());
    Image2 = new PicturePanel(QStringLiteral(":/art/banner-ping.png"), PicturePanel::Fill::Stretch, this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, 247, 36);
    Label1 = Text("Label1", this, 15, 50, QStringLiteral("IP Address"));
    Edit1 = Place<QLineEdit>("Edit1", this, 15, 65);
    Edit1->resize(121, 21);
    Button1 = Place<QPushButton>("Button1", this, 145, 63, QStringLiteral("Ping"));
    Button1->resize(75, 25);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TfrmPing::Button1Click);
    Label2 = Text("Label2", this, 15, 107, QStringLiteral("Result"));
    Edit2 = Place<QLineEdit>("Edit2", this, 50, 105);
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

TfrmIPinfo::TfrmIPinfo(QWidget* parent)
    : QDialog(parent, dialogs::kFixedDialog)
{
    setObjectName(QStringLiteral("frmIPinfo"));
    setWindowTitle(QStringLiteral("IP Info"));
    setFont(dialogs::DialogFont());
    WhiteBackground(this);
    setFixedSize(243, 275);
    Image1 = new PicturePanel(QStringLiteral(":/art/banner-ipinfo.png"), PicturePanel::Fill::Stretch, this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 243, 26);
    Label2 = Text("Label2", this, 25, 50, QStringLiteral("Hostname"));
    Edit1 = Place<QLineEdit>("Edit1", this, 25, 65);
    Edit1->resize(191, 21);
    Edit1->setReadOnly(true);
    Label1 = Text("Label1", this, 25, 105, QStringLiteral("IP Addresses"));
    ListBox1 = Place<QListWidget>("ListBox1", this, 25, 120);
    ListBox1->resize(191, 97);
    design::Announce(Label2, Edit1);
    design::Announce(Label1, ListBox1);
    Panel1 = Place<QFrame>("Panel1", this, 0, 275 - 41);
    Panel1->resize(243, 41);
    Image2 = new PicturePanel(QStringLiteral(":/art/panel-ipinfo.png"), PicturePanel::Fill::Stretch, Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(Panel1->rect());
    BitBtn1 = Place<QPushButton>("BitBtn1", Panel1, 80, 6, QStringLiteral("OK"));
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

Taboutbox::Taboutbox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutbox"));
    setWindowTitle(QStringLiteral("aboutbox"));
    setFont(dialogs::DialogFont());
    resize(319, 314); // the 335 x 353 outer window less its frame
    setPalette(design::Palette()); // the background in the button-face colour
    setAutoFillBackground(true);

    Shape1 = Place<QWidget>("Shape1", this, 0, 0);
    Shape1->resize(319, 42);
    WhiteBackground(Shape1);
    ProductName = Text("ProductName", this, 88, 3, QStringLiteral("Nodewick"));
    QFont georgia(QStringLiteral("Georgia"));
    georgia.setPixelSize(21);
    ProductName->setFont(georgia);
    ProductName->adjustSize();
    Version = Text("Version", this, 90, 26, QStringLiteral("Version"));
    QFont bold = dialogs::DialogFont();
    bold.setBold(true);
    Version->setFont(bold);
    Bevel1 = Place<QFrame>("Bevel1", this, 0, 41);
    Bevel1->resize(305, 2);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    MakerName = Text("MakerName", this, 48, 64, QStringLiteral("The Nodewick developers"));
    MakerContact = Text("MakerContact", this, 48, 80, QStringLiteral("support@nodewick.example.org"));
    MakerMotto = Text("MakerMotto", this, 48, 120, QStringLiteral("Free LAN scanner"));
    QFont motto = dialogs::DialogFont();
    motto.setBold(true);
    motto.setPixelSize(13);
    MakerMotto->setFont(motto);
    MakerMotto->adjustSize();
    Label3 = Text("Label3", this, 48, 144, QString());
    Label2 = Place<QLabel>("Label2", this, 16, 168,
                           QStringLiteral("Check the website for updates and additional information."));
    Label2->setWordWrap(true);
    Label2->setFixedWidth(270);
    // The web address follows 16 pixels lower, so the sentence has room for one line only. Where the
    // font standing in for MS Sans Serif runs wider, it is condensed just enough to fit.
    QFont fitted = Label2->font();
    for (int stretch = QFont::Unstretched;
         stretch > QFont::Condensed && QFontMetrics(fitted).horizontalAdvance(Label2->text()) > 270;)
        fitted.setStretch(--stretch);
    Label2->setFont(fitted);
    Label2->adjustSize();
    Label1 = Text("Label1", this, 48, 184, Tfrmmain::kMakerAddress);
    QFont web(QStringLiteral("Comic Sans MS"));
    web.setPixelSize(15);
    web.setBold(true);
    web.setUnderline(true);
    Label1->setFont(web);
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(blue);
    Label1->adjustSize();
    Label6 = Text("Label6", this, 16, 216, QStringLiteral("social.example.org/@nodewick"));
    QFont social(QStringLiteral("Verdana"));
    social.setPixelSize(13);
    social.setBold(true);
    Label6->setFont(social);
    Label6->adjustSize();
    Label5 = Place<QLabel>("Label5", this, 16, 236,
                           QStringLiteral("You are welcome to republish Nodewick on your own web site, "
                                          "as long as you link back to ")
                               + Tfrmmain::kMakerAddress + QStringLiteral("."));
    Label5->setWordWrap(true);
    Label5->setGeometry(16, 236, 269, 39);
    Label5->setAutoFillBackground(true);
    OKButton = Place<QPushButton>("OKButton", this, 116, 280, QStringLiteral("OK"));
    OKButton->resize(75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

Taboutbox::~Taboutbox()
{
    if (aboutbox == this)
        aboutbox = nullptr;
}

void Taboutbox::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (Shape1 != nullptr)
        Shape1->resize(width(), Shape1->height()); // the white band spans the top at any width
}

void Taboutbox::showEvent(QShowEvent* event)
{
    FormShow();
    if (frmmain != nullptr)
        design::PlaceOnScreen(this, frmmain->geometry().center() - rect().center(), size());
    QDialog::showEvent(event);
}

void Taboutbox::FormShow()
{
    Version->setText(QStringLiteral("Version: ") + (frmmain != nullptr ? frmmain->AppVersion : QString()));
    Version->adjustSize();
}
