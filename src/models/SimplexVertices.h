// Vertex bookkeeping shared by the downhill simplex method and its simulated
// annealing form. The simplex is the n + 1 rows of the one-based matrix p (n
// coordinates each), y holds the objective at each row and psum the column
// sums of p, kept in step so that a trial point costs O(n) to form. The two
// methods differ only in how they rank vertices and accept trial points; the
// geometry of the simplex is the same.

#pragma once

#include "models/NelderMead.h"

// Sets psum to the column sums of the n + 1 vertices of p.
void SumVertices(float** p, int n, float* psum);

// The point on the line from vertex ihi through the centroid of the other
// vertices at which the distance from that centroid is factor times the
// vertex's own: -1 reflects, 2 expands and 0.5 contracts.
void SimplexTrialPoint(float** p, const float* psum, int n, int ihi, float factor, float* trial);

// Makes trial, of objective value ytry, the new vertex ihi.
void ReplaceVertex(float** p, float* y, float* psum, int n, int ihi, const float* trial,
                   float ytry);

// Moves every vertex but the best (ilo) halfway towards it and evaluates
// them anew.
void ShrinkTowardsBest(float** p, float* y, float* psum, int n, int ilo,
                       const FitObjective& objective);

// Swaps vertex ilo, with its value, into the first row.
void MoveVertexToFirstRow(float** p, float* y, int n, int ilo);
