// Cholesky factorisation and solves for the small Fisher matrices of the fits.
#include "small_matrix.h"

#include <cmath>

namespace beads {

bool CholeskyFactor(double* a, int n) {
  for (int j = 0; j < n; ++j) {
    double d = a[j * n + j];
    const double scale = d;
    for (int k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
    // A pivot that has lost almost all of its diagonal means the parameters
    // are (numerically) not identifiable from the data.
    if (!(d > 1e-12 * scale) || !(d > 0)) return false;
    const double root = std::sqrt(d);
    a[j * n + j] = root;
    for (int i = j + 1; i < n; ++i) {
      double s = a[i * n + j];
      for (int k = 0; k < j; ++k) s -= a[i * n + k] * a[j * n + k];
      a[i * n + j] = s / root;
    }
  }
  return true;
}

void CholeskySolve(const double* l, int n, double* b) {
  for (int i = 0; i < n; ++i) {
    double s = b[i];
    for (int k = 0; k < i; ++k) s -= l[i * n + k] * b[k];
    b[i] = s / l[i * n + i];
  }
  for (int i = n - 1; i >= 0; --i) {
    double s = b[i];
    for (int k = i + 1; k < n; ++k) s -= l[k * n + i] * b[k];
    b[i] = s / l[i * n + i];
  }
}

void CholeskyInverseDiagonal(const double* l, int n, double* diagonal) {
  // (A^-1)_ii = sum_k (L^-1)_ki^2: solve L w = e_i column by column.
  double w[kMaxParams];
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < n; ++k) w[k] = 0;
    w[i] = 1.0 / l[i * n + i];
    double sum = w[i] * w[i];
    for (int k = i + 1; k < n; ++k) {
      double s = 0;
      for (int m = i; m < k; ++m) s -= l[k * n + m] * w[m];
      w[k] = s / l[k * n + k];
      sum += w[k] * w[k];
    }
    diagonal[i] = sum;
  }
}

}  // namespace beads
