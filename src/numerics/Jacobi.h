#pragma once
// Eigenvalues and eigenvectors of real symmetric matrices by cyclic Jacobi
// rotations with thresholds, and their sort into descending order.
//
// All arrays are one-based. jacobi/djacobi: eigenvalues d[1..n] and the
// normalised eigenvectors as the columns of v[1..n][1..n] of the symmetric
// matrix a[1..n][1..n]; nrot receives the number of rotations. The elements of
// a above the diagonal are destroyed; the diagonal and the lower triangle are
// kept. Fifty sweeps without convergence end the program.

void jacobi(float** a, int n, float* d, float** v, int& nrot);
void djacobi(double** a, int n, double* d, double** v, int& nrot);

// Eigenvalues into descending order, the columns of v alongside.
void sorteig(float* d, float** v, int n);
void dsorteig(double* d, double** v, int n);
