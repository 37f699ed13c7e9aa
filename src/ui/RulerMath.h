#pragma once

// Arithmetic of the ruler: the screen scale is 4/3 pixels per point, and both conversions
// truncate toward zero, negative values included (-1 point is -1 pixel, -2 pixels are -1 point).
// Indent 0 stands 6 pixels from the ruler's left edge, level with the editor's text margin.
namespace RulerMath {

constexpr int TextMargin = 6;   // pixels between the editor's edges and its text
constexpr int MarkerInset = 4;  // the left markers' tip stands 4 pixels right of their Left

constexpr int PointsToPixels(int points) { return points * 4 / 3; }
constexpr int PixelsToPoints(int pixels) { return pixels * 3 / 4; }

// Left of FirstInd for a first indent.
constexpr int FirstIndLeft(int firstIndent) { return PointsToPixels(firstIndent) - MarkerInset + TextMargin; }
// Left of LeftInd; the left indent counts from the first indent.
constexpr int LeftIndLeft(int firstIndent, int leftIndent)
{
    return PointsToPixels(firstIndent + leftIndent) - MarkerInset + TextMargin;
}
// Left of RightInd on a ruler of the given client width.
constexpr int RightIndLeft(int rulerWidth, int rightIndent)
{
    return (rulerWidth - TextMargin) - PointsToPixels(rightIndent + TextMargin);
}

// Left of a marker of the given width mirrored on a ruler of the given width: a right-to-left
// paragraph's indents are shown and read from the right edge with the same arithmetic.
// Mirroring twice gives back the first Left.
constexpr int MirroredLeft(int rulerWidth, int left, int markerWidth) { return rulerWidth - left - markerWidth; }

// Grab offset of a marker: half its width, truncated.
constexpr int GrabOffset(int markerWidth) { return markerWidth / 2; }
// Left of a dragged marker after the pointer stood at x (relative to the marker's left edge).
constexpr int DraggedLeft(int left, int x, int grabOffset) { return left + x - grabOffset; }

// Indents written at the drops.
constexpr int FirstIndentAtDrop(int markerLeft, int grabOffset)
{
    return PixelsToPoints(markerLeft + grabOffset - TextMargin);
}
constexpr int LeftIndentAtDrop(int markerLeft, int grabOffset, int firstIndent)
{
    return PixelsToPoints(markerLeft + grabOffset - TextMargin) - firstIndent;
}
constexpr int RightIndentAtDrop(int rulerWidth, int markerLeft, int grabOffset)
{
    return PixelsToPoints(rulerWidth - markerLeft + grabOffset - 2) - 12;
}

} // namespace RulerMath
