#pragma once

namespace kairon::bench {

// Each scenario prints its own result lines.
void BenchList();
void BenchProjectChange();
void BenchDownload();
void BenchUpload();
void BenchContrast();
void BenchStartup();

}  // namespace kairon::bench
