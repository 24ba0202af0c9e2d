#pragma once
// Numeric arrays addressed from a lower bound chosen by the caller (1 in
// nearly every call): v[nl..nh], m[nrl..nrh][ncl..nch], t[..][..][..].
// Each vector is one heap block with a spare slot just below v[nl] (and, for
// float vectors, one just above v[nh]); a matrix keeps all its elements in
// one contiguous block, row after row. Every array is released with the
// matching free_ function and the same bounds.
//
// The handle always points inside its block: for lower bounds above 1 the
// block is padded below, so no pointer is ever formed outside the memory it
// belongs to. A matrix may have no rows (nrh = nrl - 1); it is released like
// any other. The views submatrix and convert_matrix own no elements: their
// row pointers are offsets into the caller's storage (m[nrl] lies ncl
// elements before the first value of a convert_matrix view).
//
// New code that owns an array for a scope uses OneBasedArray<T>
// (state/OneBasedArray.h, included here).

#include "state/OneBasedArray.h"

float* vector(int nl, int nh);
int* ivector(int nl, int nh);
unsigned int* lvector(int nl, int nh);
double* dvector(int nl, int nh);
char* cvector(int nl, int nh);

float** matrix(int nrl, int nrh, int ncl, int nch);
double** dmatrix(int nrl, int nrh, int ncl, int nch);
int** imatrix(int nrl, int nrh, int ncl, int nch);
float** submatrix(float** a, int oldrl, int oldrh, int oldcl, int oldch, int newrl, int newcl);
float** convert_matrix(float* a, int nrl, int nrh, int ncl, int nch);
float*** f3tensor(int nrl, int nrh, int ncl, int nch, int ndl, int ndh);

void free_vector(float* v, int nl, int nh);
void free_ivector(int* v, int nl, int nh);
void free_lvector(unsigned int* v, int nl, int nh);
void free_dvector(double* v, int nl, int nh);
void free_cvector(char* v, int nl, int nh);
void free_matrix(float** m, int nrl, int nrh, int ncl, int nch);
void free_dmatrix(double** m, int nrl, int nrh, int ncl, int nch);
void free_imatrix(int** m, int nrl, int nrh, int ncl, int nch);
void free_submatrix(float** b, int nrl, int nrh, int ncl, int nch);
void free_convert_matrix(float** b, int nrl, int nrh, int ncl, int nch);
void free_f3tensor(float*** t, int nrl, int nrh, int ncl, int nch, int ndl, int ndh);
