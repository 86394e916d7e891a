#pragma once

#include "report/bindinfoparser.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>
#include <QString>
#include <QTemporaryFile>

#include <cstdio>
#include <memory>

namespace tarnwell {

// The report of one listing read in pieces. The header names the model, which is known only
// once the listing has ended, so the ports are held until then: serialized in memory while they
// take less than kSpoolMemory bytes, in a temporary file beyond. Text comes in pieces of any
// size and is handed to the parser in blocks.
class ListingReport {
public:
    ListingReport();
    ~ListingReport();

    void add(const QString &text);
    // Ends the listing; the model is detected starting from switchModel and returned.
    SwitchModel finish(SwitchModel switchModel);
    // Writes the header and the rows (UTF-8) after finish(). Throws Error when the temporary file
    // or the output fails.
    void write(std::FILE *to);

    static constexpr qsizetype kSpoolMemory = 4 << 20;
    static constexpr qsizetype kTextBlock = 1 << 16;

private:
    void keep(const BindInfoPort &port);
    void spill();

    BindInfoReader m_reader;
    QString m_text; // text not yet given to the parser
    SwitchModel m_model = SwitchModel::Unknown;
    QBuffer m_memory;
    QDataStream m_out;
    std::unique_ptr<QTemporaryFile> m_file;
};

} // namespace tarnwell
