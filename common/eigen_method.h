#ifndef KESTO_COMMON_EIGEN_METHOD_H
#define KESTO_COMMON_EIGEN_METHOD_H

// How a region's LD matrix is decomposed.
//   Exact: every eigenpair in single precision (Eigen's solver); the results
//          every program writes by default.
//   Fast:  LAPACK routines that compute all eigenvalues but back-transform
//          only the eigenvectors of the kept components. Results agree with
//          Exact to a documented tolerance, not to the byte.
enum class EigenMethod { Exact, Fast };

#endif
