#pragma once

#include <QString>
#include <QStringView>
#include <QXmlStreamReader>

// Small helpers shared by the two spreadsheet readers. Elements and attributes are matched by
// local name, so any namespace prefix (and the strict OOXML namespaces) reads the same.
namespace SheetXml {

inline QString attribute(const QXmlStreamReader& xml, QStringView localName) {
    for (const QXmlStreamAttribute& attribute : xml.attributes()) {
        if (attribute.name() == localName) {
            return attribute.value().toString();
        }
    }
    return QString();
}

inline bool isStart(const QXmlStreamReader& xml, QStringView localName) {
    return xml.tokenType() == QXmlStreamReader::StartElement && xml.name() == localName;
}

inline bool isEnd(const QXmlStreamReader& xml, QStringView localName) {
    return xml.tokenType() == QXmlStreamReader::EndElement && xml.name() == localName;
}

// A number as a spreadsheet shows it in general format: whole numbers below 10^15 in plain
// digits, others with at most 15 significant digits; text that is not a number stays as is.
QString numberText(const QString& value);

} // namespace SheetXml
