// Scroll areas larger than a browser lays out: browsers cap an element's size
// near 33 million pixels (some near 17), so along an axis the sizer is at
// most MAX_SCROLL pixels and its scroll position stands for the whole
// content, scaled. The text grid's rows and the level map's both axes scroll so.
export const MAX_SCROLL = 8000000;

// One axis: `whole` the content's length in pixels, `room` what the view shows of it.
export function scaledAxis() {
  let pinned = null;  // the offset last asked for, while the scroll position is the one it gave
  const span = (room) => Math.max(1, MAX_SCROLL - room);
  return {
    scaled: (whole) => whole > MAX_SCROLL,
    // The sizer's length for the content.
    extent: (whole) => Math.min(whole, MAX_SCROLL),
    // The content offset shown at scroll position `at`.
    offset(at, whole, room) {
      if (whole <= MAX_SCROLL) return at;
      if (pinned && Math.abs(at - pinned.at) < 1) return pinned.offset;
      const most = Math.max(0, whole - room);
      return Math.min(most, Math.round(at / span(room) * most));
    },
    // Scrolls `view` (its `side`: 'scrollTop' or 'scrollLeft') to show content offset `offset`.
    scrollTo(view, side, offset, whole, room) {
      const most = Math.max(0, whole - room);
      offset = Math.max(0, Math.min(most, offset));
      pinned = null;
      if (whole <= MAX_SCROLL) {
        view[side] = offset;
        return;
      }
      view[side] = offset / Math.max(1, most) * span(room);
      pinned = { at: view[side], offset };  // the scroll position is rounded; the offset asked for is kept
    },
    forget: () => { pinned = null; },
  };
}
