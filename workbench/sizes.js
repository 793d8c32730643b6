// The text grid's sizes in pixels, which the grid, the cell editor and the
// header drag lay out by.

export const ROW_H = 26;
export const COL_W = 132;
export const NUM_W = 72;
export const HEAD_H = 28;
export const MIN_COL_W = 40;
