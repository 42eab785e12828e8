#include "support/TestPdfs.h"

#include <QBuffer>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPdfWriter>

namespace TestPdfs {

namespace {

// Numbered objects and a cross-reference table that points at each.
class PdfMaker {
public:
    int add(const QByteArray& body) {
        m_objects.append(body);
        return int(m_objects.size());
    }
    QByteArray ref(int number) const { return QByteArray::number(number) + " 0 R"; }
    static QByteArray stream(const QByteArray& dictionary, const QByteArray& data) {
        return "<< " + dictionary + " /Length " + QByteArray::number(data.size()) +
               " >>\nstream\n" + data + "\nendstream";
    }
    // Object 1 must be the catalog.
    QByteArray bytes(const QByteArray& trailerExtra = {}) const {
        QByteArray out = "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n";
        QList<qsizetype> offsets;
        for (qsizetype i = 0; i < m_objects.size(); ++i) {
            offsets.append(out.size());
            out += QByteArray::number(i + 1) + " 0 obj\n" + m_objects[i] + "\nendobj\n";
        }
        const qsizetype xref = out.size();
        const QByteArray size = QByteArray::number(m_objects.size() + 1);
        out += "xref\n0 " + size + "\n0000000000 65535 f \n";
        for (qsizetype offset : offsets) {
            out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        }
        return out + "trailer\n<< /Size " + size + " /Root 1 0 R " + trailerExtra +
               " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    }

private:
    QList<QByteArray> m_objects;
};

// A catalog and one page with the content and resources given, as objects 1 to 4.
PdfMaker onePage(const QByteArray& content, const QByteArray& resources,
                 const QByteArray& mediaBox = "[0 0 612 792]") {
    PdfMaker pdf;
    pdf.add("<< /Type /Catalog /Pages 2 0 R >>");
    pdf.add("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.add("<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox + " /Contents 4 0 R /Resources " +
            resources + " >>");
    pdf.add(PdfMaker::stream("", content));
    return pdf;
}

} // namespace

QByteArray pages(int pages) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    const int width = painter.device()->width();
    const int height = painter.device()->height();
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            writer.newPage();
        }
        painter.fillRect(QRect(0, 0, width * (page % 10 + 1) / 10, height / 20), Qt::black);
    }
    painter.end();
    return bytes;
}

QByteArray selfReferencingPageTree() {
    PdfMaker pdf;
    pdf.add("<< /Type /Catalog /Pages 2 0 R >>");
    pdf.add("<< /Type /Pages /Kids [2 0 R] /Count 1 >>");
    return pdf.bytes();
}

QByteArray deepPageTree(int levels) {
    PdfMaker pdf;
    pdf.add("<< /Type /Catalog /Pages 2 0 R >>");
    for (int level = 0; level < levels; ++level) {
        const int node = 2 + level;
        const QByteArray parent = level == 0 ? QByteArray() : " /Parent " + pdf.ref(node - 1);
        pdf.add("<< /Type /Pages /Kids [" + pdf.ref(node + 1) + "] /Count 1" + parent + " >>");
    }
    pdf.add("<< /Type /Page /Parent " + pdf.ref(levels + 1) + " /MediaBox [0 0 200 200] >>");
    return pdf.bytes();
}

QByteArray selfPaintingPattern() {
    PdfMaker pdf =
        onePage("/Pattern cs /P0 scn 0 0 612 792 re f", "<< /Pattern << /P0 5 0 R >> >>");
    pdf.add(PdfMaker::stream("/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 "
                             "/BBox [0 0 1 1] /XStep 0.001 /YStep 0.001 "
                             "/Resources << /Pattern << /P0 5 0 R >> >>",
                             "/Pattern cs /P0 scn 0 0 1 1 re f"));
    return pdf.bytes();
}

QByteArray doublingFormFanOut(int levels) {
    PdfMaker pdf = onePage("/F Do", "<< /XObject << /F 5 0 R >> >>");
    for (int level = 0; level < levels; ++level) {
        const QByteArray box = "/Type /XObject /Subtype /Form /BBox [0 0 612 792]";
        if (level + 1 < levels) {
            pdf.add(PdfMaker::stream(box + " /Resources << /XObject << /F " +
                                         pdf.ref(5 + level + 1) + " >> >>",
                                     "q /F Do Q q 0.5 0 0 0.5 1 1 cm /F Do Q"));
        } else {
            pdf.add(PdfMaker::stream(box, "0 0 10 10 re f"));
        }
    }
    return pdf.bytes();
}

QByteArray extremePageShape() {
    return onePage("0 0 1 rg 0 0 10 14400 re f", "<< >>", "[0 0 10 14400]").bytes();
}

QByteArray millionSharedPages() {
    // Six levels of ten kids each, every kid of a level being the same node.
    constexpr int kLevels = 6;
    PdfMaker pdf;
    pdf.add("<< /Type /Catalog /Pages 2 0 R >>");
    qint64 below = 1'000'000;
    for (int level = 0; level < kLevels; ++level) {
        QByteArray kids;
        for (int kid = 0; kid < 10; ++kid) {
            kids += pdf.ref(3 + level) + " ";
        }
        pdf.add("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(below) + " >>");
        below /= 10;
    }
    pdf.add("<< /Type /Page /Parent " + pdf.ref(1 + kLevels) + " /MediaBox [0 0 612 792] >>");
    return pdf.bytes();
}

QByteArray encryptedWithUserPassword() {
    // The standard security handler's check values of a password other than the empty one.
    PdfMaker pdf = onePage("0 0 10 10 re f", "<< >>");
    pdf.add("<< /Filter /Standard /V 1 /R 2 /O <" + QByteArray(32, '\x5a').toHex() + "> /U <" +
            QByteArray(32, '\xa5').toHex() + "> /P -4 >>");
    const QByteArray id = "<0123456789abcdef0123456789abcdef>";
    return pdf.bytes("/Encrypt 5 0 R /ID [" + id + " " + id + "]");
}

QByteArray jpegNamedPdf() {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

std::vector<Hostile> hostile() {
    return {
        {"SelfReferencingPageTree", selfReferencingPageTree(), false},
        {"PageTree1100Deep", deepPageTree(1100), false},
        {"SelfPaintingPattern", selfPaintingPattern(), false},
        {"DoublingFormFanOut", doublingFormFanOut(30), false},
        {"ExtremePageShape", extremePageShape(), true},
        {"MillionSharedPages", millionSharedPages(), true},
        {"EncryptedWithUserPassword", encryptedWithUserPassword(), false},
        {"ZeroBytes", QByteArray(), false},
        {"JpegNamedPdf", jpegNamedPdf(), false},
    };
}

} // namespace TestPdfs
