// Body protection on the sizes of a typical note and of a large one.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "bench_support.h"
#include "norvane/protect/body.h"
#include "norvane/protect/vault.h"

namespace {

std::string body_of(std::int64_t size) {
  std::string body;
  while (body.size() < static_cast<std::size_t>(size)) body += "Lorem ipsum dolor sit amet, äöü. ";
  body.resize(static_cast<std::size_t>(size));
  return body;
}

void BM_ProtectBody(benchmark::State& state) {
  (void)norvane::bench::bench_home();
  const std::string body = body_of(state.range(0));
  for (auto _ : state) {
    auto blob = norvane::protect_body(body);
    benchmark::DoNotOptimize(blob);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  state.SetItemsProcessed(state.iterations());
}

void BM_UnprotectBody(benchmark::State& state) {
  (void)norvane::bench::bench_home();
  const std::string body = body_of(state.range(0));
  const auto blob = norvane::protect_body(body);
  if (!blob) {
    state.SkipWithError("protect_body failed");
    return;
  }
  for (auto _ : state) {
    auto text = norvane::unprotect_body(*blob);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  state.SetItemsProcessed(state.iterations());
}

void BM_DecryptVaultPayload(benchmark::State& state) {
  std::array<std::uint8_t, 32> key{};
  key.fill(0x5A);
  const std::string body = body_of(state.range(0));
  std::string payload(12, '\x07');
  payload.resize(12 + body.size() + 16);
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free);
  auto* out = reinterpret_cast<unsigned char*>(payload.data() + 12);
  int len = 0;
  EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(),
                     reinterpret_cast<const unsigned char*>(payload.data()));
  EVP_EncryptUpdate(ctx.get(), out, &len, reinterpret_cast<const unsigned char*>(body.data()),
                    static_cast<int>(body.size()));
  EVP_EncryptFinal_ex(ctx.get(), out + len, &len);
  EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, 16, out + body.size());
  for (auto _ : state) {
    auto plain = norvane::decrypt_vault_payload(key, payload);
    benchmark::DoNotOptimize(plain);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_ProtectBody)->Arg(300)->Arg(64 << 10);
BENCHMARK(BM_UnprotectBody)->Arg(300)->Arg(64 << 10);
BENCHMARK(BM_DecryptVaultPayload)->Arg(300)->Arg(64 << 10);
