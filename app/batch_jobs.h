// batch_jobs.h - many images in one tremoscan-batch call: each image runs
// in a worker process of its own (the calculation keeps process-wide
// state), at most N at once, and a summary table closes the output.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "batch_image.h"

struct BatchRow {
  std::string image;
  BatchResult result;
};

// Runs every image, `jobs` at a time. Each image's output is printed whole
// when it ends (on a terminal without `options.verbose`, only its warnings
// and errors, under one progress line). Returns 0 when every image
// succeeded, else 1.
int RunBatchImages(const BatchOptions& options, const std::vector<const char*>& images, int jobs);

// The table: one row per image with its result, vibrations, kept tracks
// and frames ("-" for an image that failed).
void PrintSummaryTable(std::FILE* out, const std::vector<BatchRow>& rows);
