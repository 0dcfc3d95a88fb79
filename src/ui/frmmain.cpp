#include "ui/frmmain.h"

#include "platform/shell.h"
#include "probes/localips.h"
#include "probes/netutils.h"
#include "protocol/nbstat.h"
#include "protocol/range.h"
#include "ui/aboutbox.h"
#include "ui/artwork.h"
#include "ui/combobox.h"
#include "ui/design.h"
#include "ui/frmipinfo.h"
#include "ui/frmping.h"
#include "ui/loglistbox.h"
#include "ui/picturepanel.h"
#include "ui/spinedit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProxyStyle>
#include <QRadioButton>
#include <QShortcut>
#include <QStyleFactory>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

Tfrmmain* frmmain = nullptr;

const QString Tfrmmain::kMakerAddress = QStringLiteral("www.nodewick.example.org");

namespace {

template <typename W, typename... Args>
W* Make(const char* name, QWidget* parent, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent, int x, int y)
{
    auto* label = Make<QLabel>(name, parent, text);
    label->adjustSize();
    label->move(x, y);
    return label;
}

// The status strip keeps the link label at a fixed distance from its right and bottom edges.
class StatusStrip : public PicturePanel {
public:
    using PicturePanel::PicturePanel;
    QWidget* anchored = nullptr;
    int rightGap = 0;
    int bottomGap = 0;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        PicturePanel::resizeEvent(event);
        if (anchored != nullptr)
            anchored->move(width() - rightGap - anchored->width(), height() - bottomGap - anchored->height());
    }
};

// A label that opens its address when clicked, drawn as a link. From the keyboard, Tab reaches it
// and Enter or Space opens it; it shows the focus as buttons do.
class LinkLabel : public QLabel {
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr)
        : QLabel(text, parent)
    {
        setFocusPolicy(Qt::StrongFocus);
    }
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (onClick)
            onClick();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (onClick)
                onClick();
            break;
        default:
            QLabel::keyPressEvent(event);
        }
    }

    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        if (!hasFocus())
            return;
        QStylePainter painter(this);
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
};

// Alt pressed and released alone moves into the menu bar whatever the desktop's style.
class MenuBarStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// In an open menu, a letter picks the item whose caption starts with it, as in menus without marked
// letters on the design's platform: the one enabled item with that letter is chosen at once; where
// several share it, each press moves the highlight to the next of them, and Enter chooses.
class MenuLetters : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* menu = qobject_cast<QMenu*>(watched);
        if (menu == nullptr || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        const QString letter = key->text();
        if ((key->modifiers() & ~Qt::ShiftModifier) != 0 || letter.size() != 1 || !letter.at(0).isLetterOrNumber())
            return false;
        QList<QAction*> items;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && a->isEnabled() && a->isVisible()
                && a->text().startsWith(letter, Qt::CaseInsensitive))
                items.append(a);
        if (items.isEmpty())
            return false;
        menu->setActiveAction(items.at((items.indexOf(menu->activeAction()) + 1) % items.size()));
        if (items.size() == 1) {
            // Chosen as Enter chooses it: the menus close, then the item is triggered.
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(menu, &enter);
        }
        return true;
    }
};

// The band area's toolbars lie flat on the band's picture, without a panel of their own.
class BandToolBar : public QToolBar {
public:
    using QToolBar::QToolBar;

protected:
    void paintEvent(QPaintEvent*) override {}
};

// Inside a band, the buttons and the 8-pixel separators sit side by side, and a 2-pixel margin
// around them gives the bands their heights: 53 + 4 for the buttons, 29 + 4 for the range panel.
class BandStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_ToolBarItemSpacing:
        case PM_ToolBarFrameWidth:
            return 0;
        case PM_ToolBarItemMargin:
            return 2;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

constexpr int kWindowWidth = 760; // client area of the 776 x 543 outer window
constexpr int kWindowHeight = 504;
constexpr QPoint kDesignedPos(493, 189);

} // namespace

Tfrmmain::Tfrmmain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmmain"));
    engine_ = std::make_unique<scan::ScanEngine>(*this);
    LoadArtwork();
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    setFont(font);
    // Every size of the program icon, so a title bar or task switcher gets a drawn one, not a scaled one.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/art/app-%1.png").arg(size));
    setWindowIcon(icon);
    setPalette(design::Palette(Qt::white));
    setAutoFillBackground(true);

    results_ = new ResultsModel(this);
    results_->SetRowIcon(QIcon(QStringLiteral(":/art/row0-host.png")));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    BuildMenus();
    BuildBands();
    BuildModeStrip();
    BuildTable();
    BuildLogPane();
    BuildStatusStrip();
    column->addWidget(CoolBar1);
    column->addWidget(Panel3);
    column->addWidget(ListView1, 1);
    column->addWidget(Splitter1);
    column->addWidget(ListBox1);
    column->addWidget(Panel1);

    SaveDlg = new QFileDialog(this);
    SaveDlg->setObjectName(QStringLiteral("SaveDlg"));
    PrintDialog1 = nullptr; // made on first use: building a print dialog asks the print system for printers

    // Visual order: the range, the wait, the mode, the table, then the status fields and the link.
    QWidget::setTabOrder(ComboBox1, Edit2);
    QWidget::setTabOrder(Edit2, SpinEdit1);
    QWidget::setTabOrder(SpinEdit1, rbQuick);
    QWidget::setTabOrder(rbQuick, rbThorough);
    QWidget::setTabOrder(rbThorough, ListView1);
    QWidget::setTabOrder(ListView1, Edit4);
    QWidget::setTabOrder(Edit4, Edit5);
    QWidget::setTabOrder(Edit5, Label5);

    // Escape stops a running scan as the "Stop" button does; without a scan it does nothing.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("EscapeStop"));
    connect(escape, &QShortcut::activated, this, [this] {
        if (ScanRunning())
            ToolButton2Click();
    });

    design::PlaceOnScreen(this, kDesignedPos, QSize(kWindowWidth, kWindowHeight));
    frmmain = this;
    FormCreate();
}

Tfrmmain::~Tfrmmain()
{
    // Children are destroyed after this destructor, and some signal while they go (a closing
    // drop-down list, for one): nothing may reach the handlers of a window that is gone.
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
    if (frmmain == this)
        frmmain = nullptr;
    // The worker shows itself through this window: it is released and has ended before anything goes.
    FormClose();
    engine_.reset();
}

void Tfrmmain::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto* barStyle = new MenuBarStyle(QStyleFactory::create(QApplication::style()->name()));
    barStyle->setParent(this);
    bar->setStyle(barStyle);
    auto* letters = new MenuLetters(this);
    // Alt and a menu's first letter open it wherever the focus is in the window (not in the dialogs).
    const auto title = [this, bar, letters](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        m->setPalette(design::Palette());
        m->installEventFilter(letters);
        auto* open = new QShortcut(QKeySequence(QStringLiteral("Alt+%1").arg(QLatin1Char(caption[0]))), this);
        open->setObjectName(QStringLiteral("Alt") + QString::fromLatin1(caption));
        connect(open, &QShortcut::activated, bar, [bar, m] { bar->setActiveAction(m->menuAction()); });
        return m;
    };
    const auto item = [this](QMenu* menu, const char* name, const char* caption, void (Tfrmmain::*handler)()) {
        auto* action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        if (handler != nullptr)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file = title("N1", "File");
    Save1 = item(file, "Save1", "Save", &Tfrmmain::Save1Click);
    Save1->setShortcut(QKeySequence(Qt::Key_F2));
    Print1 = item(file, "Print1", "Print", &Tfrmmain::Print1Click);
    Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    file->addSeparator()->setObjectName(QStringLiteral("N2"));
    Exit1 = item(file, "Exit1", "Exit", &Tfrmmain::ToolButton7Click);
    Exit1->setShortcut(QKeySequence(Qt::Key_F10));

    QMenu* edit = title("Edit3", "Edit");
    Clear1 = item(edit, "Clear1", "Clear", &Tfrmmain::ToolButton5Click);

    QMenu* run = title("Run1", "Run");
    Start1 = item(run, "Start1", "Start", &Tfrmmain::Start1Click);
    Pause1 = item(run, "Pause1", "Pause", nullptr);
    Pause1->setEnabled(false); // a walk cannot be paused; the item stays for its place in the menu
    Stop1 = item(run, "Stop1", "Stop", &Tfrmmain::ToolButton2Click);

    QMenu* tools = title("ools1", "Tools");
    Ping1 = item(tools, "Ping1", "Ping", &Tfrmmain::Ping1Click);
    IPInfo1 = item(tools, "IPInfo1", "IP Info", &Tfrmmain::IPInfo1Click);

    QMenu* help = title("Help1", "Help");
    About1 = item(help, "About1", "About", &Tfrmmain::About1Click);
    // The shortcuts work wherever the focus is in the window, menus open or not.
    for (QAction* a : {Save1, Print1, Exit1})
        addAction(a);
}

void Tfrmmain::BuildBands()
{
    CoolBar1 = new PicturePanel(QStringLiteral(":/art/band-tile.png"), PicturePanel::Fill::Tile);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    CoolBar1->setFixedHeight(111);
    auto* bands = new QVBoxLayout(CoolBar1);
    bands->setContentsMargins(2, 2, 2, 2);
    bands->setSpacing(4);
    auto* bandStyle = new BandStyle;
    bandStyle->setParent(this);

    ToolBar1 = Make<BandToolBar>("ToolBar1", CoolBar1);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setStyle(bandStyle);
    ToolBar1->setMinimumHeight(57);
    ToolBar1->setIconSize(QSize(32, 32));
    const auto button
        = [this](const char* name, const char* caption, const char* picture, void (Tfrmmain::*handler)()) {
              auto* b = Make<QToolButton>(name, ToolBar1);
              b->setText(QString::fromLatin1(caption));
              b->setIcon(QIcon(QStringLiteral(":/art/") + QString::fromLatin1(picture)));
              b->setIconSize(QSize(32, 32));
              b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
              b->setAutoRaise(true);
              b->setFixedSize(73, 53);
              b->setFocusPolicy(Qt::NoFocus);
              connect(b, &QToolButton::clicked, this, handler);
              ToolBar1->addWidget(b);
              return b;
          };
    const auto separator = [this] {
        auto* gap = new QWidget(ToolBar1);
        gap->setFixedWidth(8);
        ToolBar1->addWidget(gap);
    };
    ToolButton1 = button("ToolButton1", "Start", "tb0-start.png", &Tfrmmain::ToolButton1Click);
    ToolButton2 = button("ToolButton2", "Stop", "tb1-stop.png", &Tfrmmain::ToolButton2Click);
    separator();
    ToolButton5 = button("ToolButton5", "Clear", "tb3-clear.png", &Tfrmmain::ToolButton5Click);
    ToolButton6 = button("ToolButton6", "Save", "tb4-save.png", &Tfrmmain::Save1Click);
    ToolButton9 = button("ToolButton9", "Print", "tb6-print.png", &Tfrmmain::Print1Click);
    separator();
    ToolButton10 = button("ToolButton10", "Open in IE", "tb7-browser.png", &Tfrmmain::ToolButton10Click);
    ToolButton12 = button("ToolButton12", "Explorer", "tb8-explorer.png", &Tfrmmain::ToolButton12Click);
    separator();
    ToolButton7 = button("ToolButton7", "Exit", "tb5-exit.png", &Tfrmmain::ToolButton7Click);
    bands->addWidget(ToolBar1);

    ToolBar2 = Make<BandToolBar>("ToolBar2", CoolBar1);
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setStyle(bandStyle);
    ToolBar2->setMinimumHeight(33);
    Panel2 = Make<QWidget>("Panel2", ToolBar2);
    Panel2->setFixedSize(656, 29);
    Panel2->setAutoFillBackground(true);
    Panel2->setPalette(design::Palette(Qt::white));

    Label1 = MakeLabel("Label1", QStringLiteral("Start IP:"), Panel2, 3, 7);
    auto* combo = Make<TComboBox>("ComboBox1", Panel2);
    connect(combo, &TComboBox::CloseUp, this, &Tfrmmain::ComboBox1CloseUp);
    ComboBox1 = combo;
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setGeometry(60, 4, 145, 21);
    Label2 = MakeLabel("Label2", QStringLiteral("End IP:"), Panel2, 217, 7);
    Edit2 = Make<QLineEdit>("Edit2", Panel2);
    Edit2->setGeometry(288, 4, 121, 21);
    Label3 = MakeLabel("Label3", QStringLiteral("Timeout:"), Panel2, 427, 7);
    SpinEdit1 = Make<TSpinEdit>("SpinEdit1", Panel2);
    SpinEdit1->setGeometry(496, 4, 65, 21);
    SpinEdit1->SetValue(scan::kDefaultTimeOut);
    connect(SpinEdit1, &TSpinEdit::Changed, this, &Tfrmmain::SpinEdit1Change);
    Label4 = MakeLabel("Label4", QStringLiteral("Milliseconds"), Panel2, 571, 7);
    Label4->setFixedWidth(80);
    design::Announce(Label1, ComboBox1);
    // Typing goes to the drop-down list's own text field, which screen readers then announce.
    ComboBox1->lineEdit()->setAccessibleName(ComboBox1->accessibleName());
    design::Announce(Label2, Edit2);
    design::Announce(Label3, SpinEdit1);
    ToolBar2->addWidget(Panel2);
    Panel2->setBackgroundRole(QPalette::Window); // a toolbar paints its widgets in the button colour
    bands->addWidget(ToolBar2);
    bands->addStretch(1);
}

void Tfrmmain::BuildModeStrip()
{
    Panel3 = new PicturePanel(QStringLiteral(":/art/strip-mode.png"), PicturePanel::Fill::Stretch);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(33);
    Label6 = Make<QLabel>("Label6", Panel3, QStringLiteral("Nodewick"));
    QFont title(QStringLiteral("Georgia"));
    title.setPixelSize(24);
    Label6->setFont(title);
    Label6->setAttribute(Qt::WA_TranslucentBackground);
    Label6->adjustSize();
    Label6->move(15, (33 - Label6->height()) / 2);
    Label9 = MakeLabel("Label9", QStringLiteral("Scan Mode:"), Panel3, 150, 10);
    rbQuick = Make<QRadioButton>("rbQuick", Panel3, QStringLiteral("Quick"));
    rbQuick->adjustSize();
    rbQuick->move(230, (33 - rbQuick->height()) / 2);
    rbQuick->setChecked(true);
    rbThorough = Make<QRadioButton>("rbThorough", Panel3, QStringLiteral("Thorough"));
    rbThorough->adjustSize();
    rbThorough->move(300, (33 - rbThorough->height()) / 2);
    connect(rbThorough, &QRadioButton::toggled, this,
            [this](bool checked) { engine_->State().ThoroughMode.store(checked); });
}

void Tfrmmain::BuildTable()
{
    ListView1 = Make<QTableView>("ListView1", this);
    ListView1->setModel(results_);
    ListView1->setShowGrid(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setWordWrap(false);
    ListView1->setTabKeyNavigation(false); // Tab leaves the table, as it leaves every other field
    ListView1->setIconSize(QSize(16, 16));
    ListView1->setTextElideMode(Qt::ElideRight);
    ListView1->verticalHeader()->hide();
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(19);
    QHeaderView* header = ListView1->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int widths[ResultsModel::kColumns] = {150, 60, 150, 150, 120, 150};
    for (int i = 0; i < ResultsModel::kColumns; ++i)
        header->resizeSection(i, widths[i]);
    connect(ListView1, &QTableView::clicked, this, &Tfrmmain::ListView1Click);

    // While answers pour in, the table shows them at most every 40 ms instead of repainting for
    // each: a repaint costs milliseconds, and the scan waits for the UI thread between addresses.
    tableRefresh_ = new QTimer(this);
    tableRefresh_->setSingleShot(true);
    tableRefresh_->setInterval(40);
    connect(tableRefresh_, &QTimer::timeout, this, [this] { ListView1->setUpdatesEnabled(true); });
    const auto holdRepaints = [this] {
        if (ListView1->updatesEnabled()) {
            ListView1->setUpdatesEnabled(false);
            tableRefresh_->start();
        }
    };
    connect(results_, &QAbstractItemModel::rowsInserted, this, holdRepaints);
    connect(results_, &QAbstractItemModel::dataChanged, this, holdRepaints);
}

void Tfrmmain::BuildLogPane()
{
    Splitter1 = Make<QWidget>("Splitter1", this);
    Splitter1->setFixedHeight(5);
    Splitter1->setAutoFillBackground(true);
    QPalette pal = Splitter1->palette();
    pal.setColor(QPalette::Window, QColor(205, 219, 231));
    Splitter1->setPalette(pal);
    Splitter1->hide();

    ListBox1 = Make<LogListBox>("ListBox1", this);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    ListBox1->setFont(font);
    ListBox1->setFixedHeight(66);
    ListBox1->hide();
    PopupMenu1 = Make<QMenu>("PopupMenu1", ListBox1);
    PopupMenu1->setPalette(design::Palette());
    N3 = PopupMenu1->addAction(QString::fromUtf8("\u00B1\u00A3\u00B4\u00E6"));
    N3->setObjectName(QStringLiteral("N3"));
    connect(N3, &QAction::triggered, this, &Tfrmmain::N3Click);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(ListBox1->mapToGlobal(pos)); });
}

void Tfrmmain::BuildStatusStrip()
{
    auto* strip = new StatusStrip(QStringLiteral(":/art/strip-status.png"), PicturePanel::Fill::Stretch);
    Panel1 = strip;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(45);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Label7 = MakeLabel("Label7", QStringLiteral("Current IP Address:"), Panel1, 15, 16);
    Edit4 = Make<QLineEdit>("Edit4", Panel1);
    Edit4->setReadOnly(true);
    Edit4->setGeometry(150, 12, 131, 21);
    Label8 = MakeLabel("Label8", QStringLiteral("Count:"), Panel1, 325, 16);
    Edit5 = Make<QLineEdit>("Edit5", Panel1);
    Edit5->setReadOnly(true);
    Edit5->setGeometry(375, 12, 51, 21);
    design::Announce(Label7, Edit4);
    design::Announce(Label8, Edit5);
    auto* link = Make<LinkLabel>("Label5", Panel1, kMakerAddress);
    QFont bold = link->font();
    bold.setBold(true);
    bold.setUnderline(true);
    link->setFont(bold);
    link->setCursor(Qt::PointingHandCursor);
    QPalette linkPal = design::Palette();
    linkPal.setColor(QPalette::WindowText, QColor(0x1F, 0x5A, 0x94));
    link->setPalette(linkPal);
    link->adjustSize();
    link->onClick = [this] { Label5Click(); };
    Label5 = link;
    strip->anchored = link;
    strip->rightGap = kWindowWidth - 561 - link->width();
    strip->bottomGap = 45 - 16 - link->height();
}

void Tfrmmain::FormCreate()
{
    AppVersion = QStringLiteral(NODEWICK_VERSION);
    setWindowTitle(QStringLiteral("Nodewick v") + AppVersion);
    engine_->Endpoint().Open();
}

void Tfrmmain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        // The window's own frame may be known by now, where it was not when the window was made.
        design::PlaceOnScreen(this, kDesignedPos, QSize(kWindowWidth, kWindowHeight));
        FormShow();
    }
}

void Tfrmmain::GetLocalIPs()
{
    for (const std::string& ip : LookUpLocalIPs()) {
        const QString text = QString::fromStdString(ip);
        ComboBox1->addItem(text);
        if (frmIPinfo != nullptr)
            frmIPinfo->ListBox1->addItem(text);
    }
}

void Tfrmmain::FormShow()
{
    GetLocalIPs();
    if (ComboBox1->count() > 0)
        ComboBox1->setCurrentIndex(0);
    const QString first = ComboBox1->currentText();
    const QString name = QString::fromStdString(GetHostNameByIP(first.toStdString()));
    if (frmIPinfo != nullptr)
        frmIPinfo->Edit1->setText(name);
    ShowProposedRange(first);
}

void Tfrmmain::ComboBox1CloseUp() { ShowProposedRange(ComboBox1->currentText()); }

void Tfrmmain::ShowProposedRange(const QString& address)
{
    const ProposedRange range = ProposeRange(address.toStdString());
    Edit2->setText(QString::fromStdString(range.end));
    ComboBox1->setEditText(QString::fromStdString(range.start));
}

void Tfrmmain::closeEvent(QCloseEvent* event)
{
    FormClose();
    QMainWindow::closeEvent(event);
    Q_EMIT Closed();
}

void Tfrmmain::FormClose()
{
    // A worker must not outlive the window; closing twice does nothing more.
    engine_->Close();
}

std::optional<int> Tfrmmain::SelectedRow() const
{
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first().row();
}

void Tfrmmain::ListView1Click()
{
    const auto row = SelectedRow();
    if (!row)
        return;
    if (const auto anchor = results_->LogAnchor(*row))
        ListBox1->SetTopIndex(*anchor - 1);
}

void Tfrmmain::ToolButton5Click()
{
    results_->Clear();
    ListBox1->Clear();
}

void Tfrmmain::ToolButton7Click() { close(); }

void Tfrmmain::ToolButton10Click()
{
    const auto row = SelectedRow();
    if (!row)
        return;
    const std::string target = "http://" + results_->Caption(*row).toStdString();
    wshell::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, wshell::SW_SHOWNORMAL);
}

void Tfrmmain::ToolButton12Click()
{
    const auto row = SelectedRow();
    if (!row)
        return;
    std::string target = "\\\\" + results_->Caption(*row).toStdString();
    const auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!target.empty() && isTrimmed(target.back()))
        target.pop_back();
    size_t lead = 0;
    while (lead < target.size() && isTrimmed(target[lead]))
        ++lead;
    target = target.substr(lead) + "\\";
    wshell::ShellExecuteA(this, "explore", target.c_str(), "", "", wshell::SW_SHOWNORMAL);
}

void Tfrmmain::Label5Click()
{
    const std::string target = "http://" + kMakerAddress.toStdString();
    wshell::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, wshell::SW_SHOWNORMAL);
}

void Tfrmmain::Start1Click() { ToolButton1->click(); }

namespace {

// A tool dialog is shown without modality; asked for again, it only comes forward.
void ShowModeless(QWidget* dialog)
{
    if (dialog == nullptr)
        return;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

void Tfrmmain::Ping1Click() { ShowModeless(frmPing); }

void Tfrmmain::IPInfo1Click() { ShowModeless(frmIPinfo); }

void Tfrmmain::About1Click()
{
    if (aboutbox != nullptr)
        aboutbox->exec();
}

void Tfrmmain::ToolButton1Click() { engine_->Start(); }

void Tfrmmain::ToolButton2Click()
{
    engine_->Stop();
    Edit5->setText(QString::number(ListBox1->Count()));
}

void Tfrmmain::SpinEdit1Change() { engine_->State().TimeOut.store(SpinEdit1->Value()); }

bool Tfrmmain::ScanRunning() const { return engine_->Running(); }

void Tfrmmain::WaitForScan() { engine_->WaitForEnd(); }

scan::RangeTexts Tfrmmain::ReadRange() { return {ComboBox1->currentText(), Edit2->text()}; }

void Tfrmmain::ShowCurrentIP(const QString& address) { Edit4->setText(address); }

void Tfrmmain::ScanStarting() { results_->Clear(); }

void Tfrmmain::AddQuickHost(const scan::QuickHost& host)
{
    const ResultsModel::RowId row = results_->InsertTop(host.address);
    for (int i = 0; i < ResultsModel::kCells; ++i)
        results_->AddCell(row, QString());
    ListBox1->AddLine(QStringLiteral("IP: ") + host.address);
    results_->SetCell(row, 0, QStringLiteral("Found"));
    results_->SetLogAnchor(row, ListBox1->Count());
    // During a Quick scan the count field tells how many hosts have answered so far.
    Edit5->setText(QString::number(results_->Count()));
    if (!host.tableFound)
        return;
    for (const QString& line : host.names)
        ListBox1->AddLine(line);
    if (host.hostName)
        results_->SetCell(row, 1, *host.hostName);
    if (host.workgroup)
        results_->SetCell(row, 3, *host.workgroup);
    if (host.mac) {
        results_->SetCell(row, 2, *host.mac);
        ListBox1->AddLine(QStringLiteral("MAC:") + *host.mac);
    }
    ListBox1->AddLine(QString::fromStdString(nbstat::kSeparatorLine));
    ListBox1->SetTopIndex(ListBox1->Count() - 1);
}

scan::RowId Tfrmmain::AppendThoroughRow(const QString& address)
{
    ListBox1->AddLine(address);
    const ResultsModel::RowId row = results_->Append(address);
    results_->AddCell(row, QStringLiteral("Found"));
    return row;
}

void Tfrmmain::AddThoroughCell(scan::RowId row, const QString& text) { results_->AddCell(row, text); }

void Tfrmmain::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Nodewick"), text, QMessageBox::Ok, this);
    box.exec();
}
