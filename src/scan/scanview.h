#pragma once
// The seam between a scan and what shows it. The scan engine, its worker and its endpoint change
// nothing else: every call here is made on the UI thread, the worker waiting until it returns.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace scan {

// A row of the table, by identity: it may have been cleared away before a late cell arrives.
using RowId = std::uint64_t;

// The range fields as typed.
struct RangeTexts {
    QString start;
    QString end;
};

// An answer to a node-status query, as its row and its block in the detail log show it.
struct QuickHost {
    QString address{}; // the sender's
    bool tableFound = false; // without a name table the block is the address line alone
    QStringList names{}; // the table's lines, each a name with its tags
    std::optional<QString> hostName{};
    std::optional<QString> workgroup{};
    std::optional<QString> mac{};
};

class ScanView {
public:
    virtual ~ScanView() = default;

    virtual RangeTexts ReadRange() = 0;
    // The address under way; empty text clears the field.
    virtual void ShowCurrentIP(const QString& address) = 0;
    // A message box with an OK button, as every failure is reported.
    virtual void ShowMessage(const QString& text) = 0;
    // A walk begins: the table is emptied.
    virtual void ScanStarting() = 0;
    virtual void AddQuickHost(const QuickHost& host) = 0;
    // A Thorough host: its row with the status "Found", then its cells one by one.
    virtual RowId AppendThoroughRow(const QString& address) = 0;
    virtual void AddThoroughCell(RowId row, const QString& text) = 0;

protected:
    ScanView() = default;
    ScanView(const ScanView&) = default;
    ScanView& operator=(const ScanView&) = default;
};

} // namespace scan
