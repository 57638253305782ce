#include "HeadingLabels.h"

#include "JapaneseUi.h"
#include "StringGrid.h"

namespace turfpad {

void SetUpHeadingLabels(const HeadingLabelSet& labels) {
    for (int i = 0; i < kHeadingLabels; ++i) {
        TLabel3Dj* label = labels[static_cast<std::size_t>(i)];
        if (label == nullptr) continue;
        const LabelLook& look = HeadingLooks()[static_cast<std::size_t>(i)];
        label->setObjectName(QString("Label3D%1").arg(i + 1));
        label->setFont(PixelFont(QString::fromUtf8(kGothic), look.pixelSize, look.bold));
        label->setFontColor(QColor(look.fontColor.r, look.fontColor.g, look.fontColor.b));
        label->setStyle3D(TLabel3Dj::Style::Raised);
        label->setTransparent(!look.opaque);
        if (look.opaque) label->setColor(QColor(look.background.r, look.background.g, look.background.b));
    }
}

void ShowHeading(const HeadingLabelSet& labels, const RaceHeading& heading) {
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (labels[i] != nullptr) labels[i]->setCaption(Cp932ToQString(heading[i]));
}

}  // namespace turfpad
