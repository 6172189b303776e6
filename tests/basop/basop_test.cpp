// The basic operators against plain 64-bit formulations of their contracts,
// over every pair of extreme, small-count and random operands; the carry
// arithmetic's flags, which the transient detector reads; the division's
// precondition failures; and the flags kept per thread.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "basop/basop.h"

namespace {

using i64 = std::int64_t;

i64 clamp(i64 v, i64 lo, i64 hi) { return v < lo ? lo : (v > hi ? hi : v); }
i64 sat16(i64 v) { return clamp(v, MIN_16, MAX_16); }
i64 sat32(i64 v) { return clamp(v, MIN_32, MAX_32); }
i64 floor_div(i64 v, int n) { return v >> n; }  // arithmetic: floor(v / 2^n)

// v shifted left by n (right for negative n) with the count limited to
// `limit` either way, saturated into `bits`-bit range.
i64 shift(i64 v, i64 n, int limit, i64 (*sat)(i64)) {
  if (n >= 0) return sat(v * (i64{1} << std::min<i64>(n, limit)));
  return floor_div(v, static_cast<int>(std::min<i64>(-n, limit)));
}
i64 rounding_shift(i64 v, i64 n, int top, int limit, i64 (*sat)(i64)) {
  if (n > top) return 0;
  if (n <= 0) return shift(v, -n, limit, sat);
  return floor_div(v + (i64{1} << (n - 1)), static_cast<int>(n));
}
i64 norm(i64 v, int bits) {
  if (v == 0) return 0;
  if (v == -1) return bits - 1;
  i64 u = v < 0 ? ~v : v, n = 0;
  while (u < (i64{1} << (bits - 2))) u <<= 1, ++n;
  return n;
}

// Extreme values, every bit position, every small shift count, and random ones.
std::vector<i64> operands(int bits, int random_count) {
  const i64 max = (i64{1} << (bits - 1)) - 1, min = -max - 1;
  std::vector<i64> v = {max, min, max - 1, min + 1, 0x40000000, -0x40000001, 0x7FFF8000, 65535, 65536, 32768};
  for (int k = 0; k < bits - 1; ++k) v.insert(v.end(), {i64{1} << k, -(i64{1} << k), (i64{1} << k) - 1});
  for (int n = -40; n <= 40; ++n) v.push_back(n);
  std::mt19937_64 rng(bits);
  for (int i = 0; i < random_count; ++i) v.push_back(std::uniform_int_distribution<i64>(min, max)(rng));
  std::erase_if(v, [&](i64 x) { return x < min || x > max; });
  return v;
}
const std::vector<i64> k16 = operands(16, 150);
const std::vector<i64> k32 = operands(32, 150);

struct Unary {
  const char *name;
  std::function<i64(i64)> op, ref;
  const std::vector<i64> &a;
};
struct Binary {
  const char *name;
  std::function<i64(i64, i64)> op, ref;
  const std::vector<i64> &a, &b;
};

// The operator f on operands narrowed to its parameter types A and B.
#define OP1(f, A) [](i64 a) -> i64 { return f(A(a)); }
#define OP2(f, A, B) [](i64 a, i64 b) -> i64 { return f(A(a), B(b)); }

TEST(BasicOperators, EqualTheirWideArithmeticContracts) {
  const Unary unary[] = {
      {"abs_s", OP1(abs_s, Word16), [](i64 a) { return sat16(a < 0 ? -a : a); }, k16},
      {"norm_s", OP1(norm_s, Word16), [](i64 a) { return norm(a, 16); }, k16},
      {"extract_h", OP1(extract_h, Word32), [](i64 x) { return floor_div(x, 16); }, k32},
      {"extract_l", OP1(extract_l, Word32), [](i64 x) { return i64(int16_t(x & 0xFFFF)); }, k32},
      {"round_fx", OP1(round_fx, Word32), [](i64 x) { return floor_div(sat32(x + 32768), 16); }, k32},
      {"norm_l", OP1(norm_l, Word32), [](i64 x) { return norm(x, 32); }, k32},
      {"L_abs", OP1(L_abs, Word32), [](i64 x) { return sat32(x < 0 ? -x : x); }, k32},
      {"L_negate", OP1(L_negate, Word32), [](i64 x) { return sat32(-x); }, k32},
  };
  for (const Unary &u : unary) {
    for (i64 a : u.a) ASSERT_EQ(u.op(a), u.ref(a)) << u.name << "(" << a << ")";
  }
  const Binary binary[] = {
      {"add", OP2(add, Word16, Word16), [](i64 a, i64 b) { return sat16(a + b); }, k16, k16},
      {"sub", OP2(sub, Word16, Word16), [](i64 a, i64 b) { return sat16(a - b); }, k16, k16},
      {"mult", OP2(mult, Word16, Word16), [](i64 a, i64 b) { return sat16(floor_div(a * b, 15)); }, k16, k16},
      {"L_mult", OP2(L_mult, Word16, Word16), [](i64 a, i64 b) { return sat32(2 * a * b); }, k16, k16},
      {"L_mult0", OP2(L_mult0, Word16, Word16), [](i64 a, i64 b) { return a * b; }, k16, k16},
      {"shl", OP2(shl, Word16, Word16), [](i64 a, i64 n) { return shift(a, n, 16, sat16); }, k16, k16},
      {"shr", OP2(shr, Word16, Word16), [](i64 a, i64 n) { return shift(a, -n, 16, sat16); }, k16, k16},
      {"shr_r", OP2(shr_r, Word16, Word16), [](i64 a, i64 n) { return rounding_shift(a, n, 15, 16, sat16); }, k16, k16},
      {"L_add", OP2(L_add, Word32, Word32), [](i64 x, i64 y) { return sat32(x + y); }, k32, k32},
      {"L_sub", OP2(L_sub, Word32, Word32), [](i64 x, i64 y) { return sat32(x - y); }, k32, k32},
      {"L_shl", OP2(L_shl, Word32, Word16), [](i64 x, i64 n) { return shift(x, n, 32, sat32); }, k32, k16},
      {"L_shr", OP2(L_shr, Word32, Word16), [](i64 x, i64 n) { return shift(x, -n, 32, sat32); }, k32, k16},
      {"L_shr_r", OP2(L_shr_r, Word32, Word16), [](i64 x, i64 n) { return rounding_shift(x, n, 31, 32, sat32); }, k32,
       k16},
      // The low half unsigned times n, floored by 2^15, plus 2 * high * n
      // (saturated), the sum saturated.
      {"L_mls", OP2(L_mls, Word32, Word16),
       [](i64 x, i64 n) { return sat32(floor_div((x & 0xFFFF) * n, 15) + sat32(2 * floor_div(x, 16) * n)); }, k32, k16},
      {"L_mac0 (x, a, a)", [](i64 x, i64 a) -> i64 { return L_mac0(Word32(x), Word16(a), Word16(a)); },
       [](i64 x, i64 a) { return sat32(x + a * a); }, k32, k16},
      {"L_msu0 (x, a, -1 - a)", [](i64 x, i64 a) -> i64 { return L_msu0(Word32(x), Word16(a), Word16(-1 - a)); },
       [](i64 x, i64 a) { return sat32(x + a * (1 + a)); }, k32, k16},
      // Within its precondition 0 <= num <= den, den > 0.
      {"div_s", [](i64 num, i64 den) -> i64 { return 0 <= num && num <= den && den > 0 ? div_s(num, den) : 0; },
       [](i64 num, i64 den) { return 0 <= num && num <= den && den > 0 ? std::min(num * 32768 / den, 32767L) : 0; },
       k16, k16},
  };
  for (const Binary &op : binary) {
    for (i64 a : op.a) {
      for (i64 b : op.b) ASSERT_EQ(op.op(a, b), op.ref(a, b)) << op.name << "(" << a << ", " << b << ")";
    }
  }
}

// L_add_c gives the wrapped sum with the incoming carry, the carry out of
// bit 31 of the unsigned sum, and Overflow for a signed overflow of L1 + L2
// or of adding the carry to MAX_32.
TEST(BasicOperators, AddWithCarrySetsBothFlags) {
  for (i64 x : k32) {
    for (i64 y : k32) {
      for (Flag carry_in : {0, 1}) {
        const i64 t = x + y;
        const bool wraps = t != sat32(t);
        const i64 wrapped = static_cast<Word32>(static_cast<std::uint32_t>(t));
        Carry = carry_in;
        Overflow = 1 - carry_in;
        const Word32 r = L_add_c(Word32(x), Word32(y));
        const std::uint64_t unsigned_sum = std::uint64_t(std::uint32_t(x)) + std::uint32_t(y) + carry_in;
        ASSERT_EQ(r, Word32(std::uint32_t(unsigned_sum))) << x << " + " << y << " + " << carry_in;
        ASSERT_EQ(Carry, Flag(unsigned_sum >> 32)) << x << " + " << y << " + " << carry_in;
        ASSERT_EQ(Overflow, wraps || (carry_in && wrapped == MAX_32) ? 1 : 0) << x << " + " << y << " + " << carry_in;
      }
    }
  }
  Overflow = 0;
  Carry = 0;
}

// Runs fn in a child process; returns its standard output and wait status.
std::pair<std::string, int> run_in_child(const std::function<void()> &fn) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    fn();
    _exit(0);  // the operator returned
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return {out, status};
}

TEST(BasicOperators, DivisionPreconditionFailuresPrintTheOperandsAndAbort) {
  volatile Word16 five = 5, three = 3, zero = 0, minus_one = -1;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { (void)div_s(five, three); }, "Division Error var1=5  var2=3\n"},
      {[&] { (void)div_s(minus_one, three); }, "Division Error var1=-1  var2=3\n"},
      {[&] { (void)div_s(zero, minus_one); }, "Division Error var1=0  var2=-1\n"},
      {[&] { (void)div_s(zero, zero); }, "Division by 0, Fatal error \n"},
  };
  for (const auto &[call, message] : cases) {
    const auto [out, status] = run_in_child(call);
    EXPECT_EQ(out, message);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << message;
  }
}

TEST(BasicOperators, FlagsArePerThread) {
  // Thread a raises both flags, then b reads and clears its own, then a reads
  // again; the hand-offs go through an atomic, so shared flags would show b
  // a's 1s and a b's clearing.
  std::atomic<int> step{0};
  Flag b_seen[2] = {-1, -1}, a_seen[2] = {-1, -1};
  std::thread a([&] {
    Overflow = 0;
    Carry = 0;
    (void)L_add_c(-1, -1);  // carry out of bit 31
    (void)add(32767, 1);    // saturates
    step.store(1);
    while (step.load() != 2) std::this_thread::yield();
    a_seen[0] = Overflow, a_seen[1] = Carry;
  });
  std::thread b([&] {
    while (step.load() != 1) std::this_thread::yield();
    b_seen[0] = Overflow, b_seen[1] = Carry;
    Overflow = 0;
    Carry = 0;
    step.store(2);
  });
  a.join();
  b.join();
  EXPECT_EQ(b_seen[0], 0);
  EXPECT_EQ(b_seen[1], 0);
  EXPECT_EQ(a_seen[0], 1);
  EXPECT_EQ(a_seen[1], 1);
}

}  // namespace
