// The readouts' own painting against QLabel's, pixel for pixel: the
// window's readouts must look as the labels they replace.
#include <gtest/gtest.h>
#include <QApplication>
#include <QImage>

#include "recorder/readout.h"
#include "recorder/readout_label.h"
#include "resources/strings.h"

namespace {

QImage Grab(QLabel& label, const QString& text)
{
    label.setText(text);
    return label.grab().toImage();
}

TEST(ReadoutLabel, PaintsAsAPlainCentredLabel)
{
    QLabel plain;
    plain.setTextFormat(Qt::PlainText);
    plain.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ReadoutLabel readout(QString{});
    const QStringList texts = {ReadoutText(resources::IDS_LENGTH_READOUT, 48000 * 5 + 24000, 48000),
                               ReadoutText(resources::IDS_LENGTH_READOUT, 48000 * 65, 48000),
                               ReadoutText(resources::IDS_POSITION_READOUT, 8000 * 6000, 8000),
                               QStringLiteral("one line"),
                               QStringLiteral("\n\nlow"),
                               QStringLiteral("a\nb\nc\nd\ne\nf")};
    for (const QSize size : {QSize(69, 44), QSize(40, 20), QSize(120, 80)}) {
        plain.resize(size);
        readout.resize(size);
        for (const QString& text : texts) {
            const QImage expected = Grab(plain, text);
            ASSERT_FALSE(expected.isNull());
            EXPECT_EQ(Grab(readout, text), expected)
                << text.toStdString() << " at " << size.width() << "x" << size.height();
        }
    }
    // A bigger font, and the same text once more after it (nothing stale).
    QFont big = plain.font();
    big.setPointSize(big.pointSize() + 6);
    plain.setFont(big);
    readout.setFont(big);
    EXPECT_EQ(Grab(readout, texts[0]), Grab(plain, texts[0]));
    EXPECT_EQ(readout.text(), texts[0]);
}

}  // namespace
