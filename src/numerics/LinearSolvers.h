#pragma once
// Dense linear solvers on one-based arrays: LU with partial pivoting,
// Cholesky, the normal-equation solvers with LU fallback, and non-negative
// least squares on normal equations (Lawson and Hanson's active set method).

void ludcmp(float** a, int n, int* indx, float& d);
void dludcmp(double** a, int n, int* indx, double& d);
void lusubst(float** a, int n, const int* indx, float* b);
void dlusubst(double** a, int n, const int* indx, double* b);
void lusolve(float** a, float* b, int n, bool keep);
void dlusolve(double** a, double* b, int n, bool keep);

bool cholesky(float** a, int n, float* p);
bool dcholesky(double** a, int n, double* p);
void cholsolve(float** a, int n, const float* p, const float* b, float* x);
void dcholsolve(double** a, int n, const double* p, const double* b, double* x);

bool CholeskyOrLUSolve(float** a, float* b, int n);
int CholeskyOrLUSolveD(double** a, const double* b, int n, double* x, double* p);
int SolveReducedNormalEquationsD(double** a, const double* b, int n, double* x, double* p);

bool NonNegativeSolve(float** a, float* b, int n, bool keep);
int NNLSGeneral(int n, int* passive, double* x, double* w, double* b, double** a, double* bsub,
                double** asub, double* z, double* zsub, double* p, double* limit, double* passes);

float Determinant2x2(float** m);
float Determinant3x3(float** m);
