// Matrix and column files: rows, columns and single columns of numbers, with
// the column count taken from the first byte.
#include "FuzzSupport.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"

namespace {

void ReadMatrices(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  const int columns = 1 + data[0] % 8;
  const std::string path = FuzzInputFile(data + 1, size - 1, "matrix.dat");
  int count = 0;
  if (float** m = ReadColumnsFile(path, columns, count)) free_matrix(m, 1, columns, 1, count);
  if (float** m = ReadRowsFile(path, columns, count)) free_matrix(m, 1, count, 1, columns);
  int last = 0;
  if (float* v = ReadFloatColumn(path, last, 1)) free_vector(v, 1, last);
}

const FuzzTargetRegistration kTarget("matrix_files", &ReadMatrices);

}  // namespace
