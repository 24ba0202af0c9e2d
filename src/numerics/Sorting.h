#pragma once
// Quicksorts on one-based float arrays arr[1..n]: an index table, and sorts
// that carry one or two companion arrays along with the keys. Equal keys may
// end in any relative order; a companion value always stays with its key.

// Fills indx[1..n] so that arr[indx[1]] <= arr[indx[2]] <= ... ; arr is not
// changed.
void indexx(int n, const float* arr, unsigned int* indx);
// Sorts arr[1..n] ascending and rearranges brr[1..n] alike.
void sort2(int n, float* arr, float* brr);
// Sorts ra[1..n] ascending and applies the same permutation to rb and rc.
void sort3(int n, float* ra, float* rb, float* rc);
