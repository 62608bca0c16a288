#include "controls/FmSlider.h"

FmSlider::FmSlider() = default;
FmSlider::~FmSlider() = default;
