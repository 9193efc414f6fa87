#include "retrieval_benchmark.h"

namespace norvane::seeder {

std::expected<void, AppError> run_retrieval_benchmark(const Connection&) {
  return {};
}

}  // namespace norvane::seeder
