#pragma once
// The main window: range fields, wait, mode, toolbar and menus, the results table, the status strip
// and the hidden detail log. It shows its scan engine's walk as that engine's view.

#include "scan/scanengine.h"
#include "scan/scanview.h"
#include "ui/resultsmodel.h"

#include <QMainWindow>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPrintDialog;
class QRadioButton;
class QTableView;
class QTimer;
class QToolBar;
class QToolButton;
class QWidget;
class LogListBox;
class PicturePanel;
class TSpinEdit;

class Tfrmmain : public QMainWindow, public scan::ScanView {
    Q_OBJECT
public:
    explicit Tfrmmain(QWidget* parent = nullptr);
    ~Tfrmmain() override;

    // Components, by their names.
    PicturePanel* CoolBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr; // Start
    QToolButton* ToolButton2 = nullptr; // Stop
    QToolButton* ToolButton5 = nullptr; // Clear
    QToolButton* ToolButton6 = nullptr; // Save
    QToolButton* ToolButton9 = nullptr; // Print
    QToolButton* ToolButton10 = nullptr; // Open in IE
    QToolButton* ToolButton12 = nullptr; // Explorer
    QToolButton* ToolButton7 = nullptr; // Exit
    QToolBar* ToolBar2 = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label3 = nullptr;
    TSpinEdit* SpinEdit1 = nullptr;
    QLabel* Label4 = nullptr;
    PicturePanel* Panel3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label9 = nullptr;
    QRadioButton* rbQuick = nullptr;
    QRadioButton* rbThorough = nullptr;
    QTableView* ListView1 = nullptr;
    QWidget* Splitter1 = nullptr;
    LogListBox* ListBox1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N3 = nullptr;
    PicturePanel* Panel1 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label5 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Clear1 = nullptr;
    QAction* Start1 = nullptr;
    QAction* Pause1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* Ping1 = nullptr;
    QAction* IPInfo1 = nullptr;
    QAction* About1 = nullptr;
    QFileDialog* SaveDlg = nullptr;
    QPrintDialog* PrintDialog1 = nullptr;

    ResultsModel* Results() const { return results_; }
    QString AppVersion;

    // Handlers of the window.
    void FormCreate();
    void FormShow();
    void FormClose();
    void ListView1Click();
    void ToolButton5Click(); // Clear, also Edit, Clear
    void ToolButton7Click(); // Exit, also File, Exit
    void ToolButton10Click(); // Open in IE
    void ToolButton12Click(); // Explorer
    void Label5Click();
    void Start1Click();
    void Ping1Click();
    void IPInfo1Click();
    void About1Click();
    void ComboBox1CloseUp();
    void GetLocalIPs();

    void ToolButton1Click(); // Start
    void ToolButton2Click(); // Stop
    void SpinEdit1Change();

    // Export (ui/exporting.cpp).
    void Save1Click();
    void N3Click();
    void Print1Click();

    // The scan's view: each runs on the UI thread.
    scan::RangeTexts ReadRange() override;
    void ShowCurrentIP(const QString& address) override;
    void ShowMessage(const QString& text) override;
    void ScanStarting() override;
    void AddQuickHost(const scan::QuickHost& host) override;
    scan::RowId AppendThoroughRow(const QString& address) override;
    void AddThoroughCell(scan::RowId row, const QString& text) override;

    scan::ScanEngine& Engine() { return *engine_; }
    bool ScanRunning() const;
    // Only for the end of the program, once the event loop is over.
    void WaitForScan();

    static const QString kMakerAddress; // shown by the link label and the About dialog

Q_SIGNALS:
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildMenus();
    void BuildBands();
    void BuildModeStrip();
    void BuildTable();
    void BuildLogPane();
    void BuildStatusStrip();
    // The first selected row of the table, if any.
    std::optional<int> SelectedRow() const;
    // The range a.b.c.1 to a.b.c.255 of an address text, in the start and end fields.
    void ShowProposedRange(const QString& address);

    std::unique_ptr<scan::ScanEngine> engine_;
    ResultsModel* results_ = nullptr;
    QTimer* tableRefresh_ = nullptr;
    bool shown_ = false;
};

// The one main window of the program (null before it is created).
extern Tfrmmain* frmmain;
