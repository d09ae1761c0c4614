// Detail levels of the coupling passes: the coupling stresses between seams
// are computed from a coarsened copy of each source seam, coarse while the
// seams still change a lot and finer as the passes settle. Level index
// 3 = coarsest .. 0 = full resolution.
#pragma once

namespace kavrel {

constexpr int kLevelCount = 4;
// Coarsening factor of each level: a coarse element covers f x f fine ones.
constexpr int kLevelFactor[kLevelCount] = {1, 2, 5, 10};
// A level repeats its passes while the largest SOR sweep count of a pass
// exceeds its threshold.
constexpr int kLevelThreshold[kLevelCount] = {20, 50, 100, 100};

// Averages fine[1..nx][1..ny] (ghost cells never read) over f x f blocks into
// coarse[1..levelNx][1..levelNy], which is overwritten: fine element (i, j)
// falls into coarse element (ceil(i/f), ceil(j/f)). levelNx = nx / f and
// levelNy = ny / f; nx and ny are multiples of f. With f = 1 the coarse grid
// is an exact copy.
void AverageToLevel(double** fine, int nx, int ny, double** coarse, int levelNx, int levelNy,
                    int f);

}  // namespace kavrel
