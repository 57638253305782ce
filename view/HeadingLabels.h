// The race heading on the main window's tool bar: ten raised 3D labels in "ＭＳ ゴシック".
#pragma once

#include <array>

#include "RaisedLabel.h"
#include "browse/RaceTexts.h"

namespace turfpad {

using HeadingLabelSet = std::array<TLabel3Dj*, kHeadingLabels>;  // Label3D1 .. Label3D10

// Gives each label its font, colours and background (Label3D2 white on an opaque black).
void SetUpHeadingLabels(const HeadingLabelSet& labels);
// Puts the heading's texts (cp932) into the labels.
void ShowHeading(const HeadingLabelSet& labels, const RaceHeading& heading);

}  // namespace turfpad
