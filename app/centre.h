// Places a top-level window in the middle of its screen.
#pragma once

class QWidget;

namespace sw {
void CentreOnScreen(QWidget* w);
}
