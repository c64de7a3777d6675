#pragma once

// The application icon: the mark alone on a transparent square, with a margin that keeps its ring
// clear of the edge at every size. The tray shows it with a badge when the cam is not live: the
// mark faded under a grey pause badge, or under a red badge with an exclamation mark.

#include <QImage>

namespace Artwork {

enum class TIconBadge { None, Paused, Failing };

QImage PaintIcon(int size, TIconBadge badge = TIconBadge::None);

} // namespace Artwork
