#pragma once

class QWidget;

// A drop-down or number field that scrolls its value only while it has the focus: the
// wheel over it otherwise scrolls the page around it, as a person moving down a page expects.
void TakeWheelOnlyWhenFocused(QWidget& control);
