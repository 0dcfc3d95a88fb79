#include "ui/aboutbox.h"

#include "ui/design.h"
#include "ui/dialogs.h"
#include "ui/frmmain.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

Taboutbox* aboutbox = nullptr;

Taboutbox::Taboutbox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutbox"));
    setWindowTitle(QStringLiteral("aboutbox"));
    setFont(dialogs::DialogFont());
    resize(319, 314); // the 335 x 353 outer window less its frame
    setPalette(design::Palette()); // the background in the button-face colour
    setAutoFillBackground(true);

    Shape1 = dialogs::Place<QWidget>("Shape1", this, 0, 0);
    Shape1->resize(319, 42);
    dialogs::WhiteBackground(Shape1);
    ProductName = dialogs::Text("ProductName", this, 88, 3, QStringLiteral("Nodewick"));
    QFont georgia(QStringLiteral("Georgia"));
    georgia.setPixelSize(21);
    ProductName->setFont(georgia);
    ProductName->adjustSize();
    Version = dialogs::Text("Version", this, 90, 26, QStringLiteral("Version"));
    QFont bold = dialogs::DialogFont();
    bold.setBold(true);
    Version->setFont(bold);
    Bevel1 = dialogs::Place<QFrame>("Bevel1", this, 0, 41);
    Bevel1->resize(305, 2);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    MakerName = dialogs::Text("MakerName", this, 48, 64, QStringLiteral("The Nodewick developers"));
    MakerContact = dialogs::Text("MakerContact", this, 48, 80, QStringLiteral("support@nodewick.example.org"));
    MakerMotto = dialogs::Text("MakerMotto", this, 48, 120, QStringLiteral("Free LAN scanner"));
    QFont motto = dialogs::DialogFont();
    motto.setBold(true);
    motto.setPixelSize(13);
    MakerMotto->setFont(motto);
    MakerMotto->adjustSize();
    Label3 = dialogs::Text("Label3", this, 48, 144, QString());
    Label2 = dialogs::Place<QLabel>("Label2", this, 16, 168,
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
    Label1 = dialogs::Text("Label1", this, 48, 184, Tfrmmain::kMakerAddress);
    QFont web(QStringLiteral("Comic Sans MS"));
    web.setPixelSize(15);
    web.setBold(true);
    web.setUnderline(true);
    Label1->setFont(web);
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(blue);
    Label1->adjustSize();
    Label6 = dialogs::Text("Label6", this, 16, 216, QStringLiteral("social.example.org/@nodewick"));
    QFont social(QStringLiteral("Verdana"));
    social.setPixelSize(13);
    social.setBold(true);
    Label6->setFont(social);
    Label6->adjustSize();
    Label5 = dialogs::Place<QLabel>("Label5", this, 16, 236,
                                    QStringLiteral("You are welcome to republish Nodewick on your own web site, "
                                                   "as long as you link back to ")
                                        + Tfrmmain::kMakerAddress + QStringLiteral("."));
    Label5->setWordWrap(true);
    Label5->setGeometry(16, 236, 269, 39);
    Label5->setAutoFillBackground(true);
    OKButton = dialogs::Place<QPushButton>("OKButton", this, 116, 280, QStringLiteral("OK"));
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
