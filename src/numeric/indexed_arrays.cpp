// The named creation and release routines of the indexed arrays and the one
// fatal error that ends the program when memory for model arrays runs out.
#include "numeric/indexed_arrays.h"

#include <cstdint>
#include <cstdlib>

#include "core/fatal_exit.h"

namespace kavrel {

void fatal_array_error(const char* text) {
  throw FatalExit(1, std::string(text) + "\n...now exiting to the system...\n");
}

namespace detail {

void* RequestBlock(long long count, std::size_t size) noexcept {
  if (count < 0) return nullptr;
  if (count > 0 && static_cast<unsigned long long>(count) > SIZE_MAX / size) return nullptr;
  const std::size_t bytes = count == 0 ? 1 : static_cast<std::size_t>(count) * size;
  return std::malloc(bytes);
}

void ReleaseBlock(void* block) noexcept { std::free(block); }

std::string FailureText(int level, const char* kind) {
  return "allocation failure " + std::to_string(level) + " in " + kind + "()";
}

}  // namespace detail

double** dmatrix(int nrl, int nrh, int ncl, int nch) {
  return detail::AllocateMatrix<double>(nrl, nrh, ncl, nch, "dmatrix");
}
char** cmatrix(int nrl, int nrh, int ncl, int nch) {
  return detail::AllocateMatrix<char>(nrl, nrh, ncl, nch, "cmatrix");
}
double*** dcubix(int nrl, int nrh, int ncl, int nch, int ndl, int ndh) {
  return detail::AllocateCube<double>(nrl, nrh, ncl, nch, ndl, ndh, "dcubix", "dmatrix");
}
char*** ccubix(int nrl, int nrh, int ncl, int nch, int ndl, int ndh) {
  return detail::AllocateCube<char>(nrl, nrh, ncl, nch, ndl, ndh, "ccubix", "cmatrix");
}

void release_dmatrix(double** m, int nrl, int nrh, int ncl, int /*nch*/) {
  detail::ReleaseMatrix(m, nrl, nrh, ncl);
}
void release_cmatrix(char** m, int nrl, int nrh, int ncl, int /*nch*/) {
  detail::ReleaseMatrix(m, nrl, nrh, ncl);
}
void release_dcubix(double*** c, int nrl, int nrh, int ncl, int nch, int ndl, int /*ndh*/) {
  detail::ReleaseCube(c, nrl, nrh, ncl, nch, ndl);
}
void release_ccubix(char*** c, int nrl, int nrh, int ncl, int nch, int ndl, int /*ndh*/) {
  detail::ReleaseCube(c, nrl, nrh, ncl, nch, ndl);
}

}  // namespace kavrel
