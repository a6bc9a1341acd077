#pragma once
// The history's rows as a CSV file for a spreadsheet: RFC 4180 fields and line ends, UTF-8 with a
// byte-order mark (without it spreadsheet programs read Korean as another code page), a header
// row, and the SHA-256 the window leaves out.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/ledgerhistory.h"

// One record: fields joined by commas, quoted where they hold a comma, a quote or a line break,
// ended by CR LF.
QByteArray CsvRecord(const QStringList& fields);

// Every photo that matches, written to `filePath` whole or not at all; the reason when it failed.
std::optional<QString> ExportHistoryCsv(LedgerHistory& history, const HistoryFilter& filter,
                                        const QString& filePath);
