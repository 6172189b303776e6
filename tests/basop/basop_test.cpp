// Exact values, saturation and flag behaviour of the basic operators at the
// points where they are easiest to get wrong.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <string>
#include <thread>

#include "basop/basop.h"

namespace {

// Runs op, returns its result, and reports whether it set Overflow.
template <typename F>
auto with_overflow(F op, bool *overflowed) {
  Overflow = 0;
  auto r = op();
  *overflowed = Overflow != 0;
  Overflow = 0;
  return r;
}

#define EXPECT_OP(expr, value, flag)                           \
  do {                                                         \
    bool ovf_ = false;                                         \
    auto r_ = with_overflow([&] { return (expr); }, &ovf_);    \
    EXPECT_EQ(r_, (value)) << #expr;                           \
    EXPECT_EQ(ovf_, (flag)) << #expr << " Overflow";           \
  } while (0)

TEST(Multiplication, ExtremeOperands) {
  EXPECT_OP(L_mult(-32768, -32768), MAX_32, true);
  EXPECT_OP(L_mult0(-32768, -32768), 0x40000000, false);
  EXPECT_OP(L_mult(-32768, 32767), -2147418112, false);
  EXPECT_OP(mult(-32768, -32768), 32767, true);
  EXPECT_OP(mult(-1, 1), -1, false);
  EXPECT_OP(mult(16384, 16384), 8192, false);
}

TEST(Shifts, SixteenBit) {
  EXPECT_OP(shl(1, 15), 32767, true);
  EXPECT_OP(shl(0, 40), 0, false);
  EXPECT_OP(shl(-1, 15), -32768, false);
  EXPECT_OP(shl(-2, 15), -32768, true);
  EXPECT_OP(shl(0x4000, 1), 32767, true);
  EXPECT_OP(shl(0x3FFF, 1), 0x7FFE, false);
  EXPECT_OP(shr(-1, 20), -1, false);
  EXPECT_OP(shr(5, -20), 32767, true);
  EXPECT_OP(shr(5, -20), shl(5, 16), true);
  EXPECT_OP(shr(-32768, 15), -1, false);
  EXPECT_OP(shr(-3, 1), -2, false);
  EXPECT_OP(shl(12, -2), 3, false);
  EXPECT_OP(shl(-32768, -40), -1, false);
  for (int x = -32768; x <= 32767; x += 97) {
    EXPECT_EQ(shr_r(static_cast<Word16>(x), 16), 0);
  }
  EXPECT_OP(shr_r(3, 1), 2, false);
  EXPECT_OP(shr_r(-3, 1), -1, false);
  EXPECT_OP(shr_r(5, -1), 10, false);
  EXPECT_OP(shr_r(-32768, 15), -1, false);
}

TEST(Shifts, ThirtyTwoBit) {
  EXPECT_OP(L_shl(1 << 29, 1), 1 << 30, false);
  EXPECT_OP(L_shl(1 << 30, 1), MAX_32, true);
  EXPECT_OP(L_shl(-0x40000000, 1), MIN_32, false);
  EXPECT_OP(L_shl(-0x40000001, 1), MIN_32, true);
  EXPECT_OP(L_shl(-1, 31), MIN_32, false);
  EXPECT_OP(L_shl(-1, 32), MIN_32, true);
  EXPECT_OP(L_shl(1, 40), MAX_32, true);
  EXPECT_OP(L_shl(0, 32767), 0, false);
  EXPECT_OP(L_shl(123456, -40), 0, false);
  EXPECT_OP(L_shl(-123456, -40), -1, false);
  EXPECT_OP(L_shr(-123456, 32), -1, false);
  EXPECT_OP(L_shr(MAX_32, 31), 0, false);
  EXPECT_OP(L_shr(3, -30), MAX_32, true);
  EXPECT_OP(L_shr_r(3, 1), 2, false);
  EXPECT_OP(L_shr_r(-3, 1), -1, false);
  EXPECT_OP(L_shr_r(MAX_32, 31), 1, false);
  EXPECT_OP(L_shr_r(MIN_32, 32), 0, false);
  EXPECT_OP(L_shr_r(7, -2), 28, false);
}

TEST(Rounding, RoundFx) {
  EXPECT_OP(round_fx(2147450880), 32767, true);
  EXPECT_OP(round_fx(2147450879), 32767, false);
  EXPECT_OP(round_fx(-32768), 0, false);
  EXPECT_OP(round_fx(-32769), -1, false);
  EXPECT_OP(round_fx(MIN_32), -32768, false);
}

TEST(Normalisation, NormSAndNormL) {
  EXPECT_EQ(norm_s(0), 0);
  EXPECT_EQ(norm_s(1), 14);
  EXPECT_EQ(norm_s(-1), 15);
  EXPECT_EQ(norm_s(-16384), 1);
  EXPECT_EQ(norm_s(-32768), 0);
  EXPECT_EQ(norm_s(16384), 0);
  EXPECT_EQ(norm_s(16383), 1);
  EXPECT_EQ(norm_l(0), 0);
  EXPECT_EQ(norm_l(1), 30);
  EXPECT_EQ(norm_l(-1), 31);
  EXPECT_EQ(norm_l(MIN_32), 0);
  EXPECT_EQ(norm_l(MAX_32), 0);
  EXPECT_EQ(norm_l(-0x40000000), 1);
  EXPECT_EQ(norm_l(-0x40000001), 0);
}

TEST(Saturation, AddSubAbs) {
  EXPECT_OP(add(32767, 1), 32767, true);
  EXPECT_OP(add(-32768, -1), -32768, true);
  EXPECT_OP(sub(-32768, 1), -32768, true);
  EXPECT_OP(sub(0, -32768), 32767, true);
  EXPECT_OP(abs_s(-32768), 32767, false);
  EXPECT_OP(L_add(MAX_32, 1), MAX_32, true);
  EXPECT_OP(L_add(MIN_32, -1), MIN_32, true);
  EXPECT_OP(L_sub(MIN_32, 1), MIN_32, true);
  EXPECT_OP(L_sub(0, MIN_32), MAX_32, true);
  EXPECT_OP(L_sub(-1, MIN_32), MAX_32, false);
  EXPECT_OP(L_abs(MIN_32), MAX_32, false);
  EXPECT_OP(L_negate(MIN_32), MAX_32, false);
  EXPECT_OP(L_mac0(MAX_32, 1, 1), MAX_32, true);
  EXPECT_OP(L_msu0(MIN_32, 1, 1), MIN_32, true);
}

TEST(Extraction, HighAndLowHalves) {
  EXPECT_EQ(extract_h(MIN_32), -32768);
  EXPECT_EQ(extract_h(-1), -1);
  EXPECT_EQ(extract_l(0x12348765), static_cast<Word16>(0x8765));
}

TEST(Multiplication, LMls) {
  EXPECT_OP(L_mls(65536, 16384), 32768, false);
  EXPECT_OP(L_mls(65535, -32768), -65535, false);
  EXPECT_OP(L_mls(MIN_32, -32768), MAX_32, true);
  EXPECT_OP(L_mls(-1, 32767), -1, false);
  EXPECT_OP(L_mls(0x7FFFFFFF, 32767), 0x7FFEFFFF, false);
}

TEST(Division, Quotients) {
  EXPECT_EQ(div_s(1, 3), 10922);
  EXPECT_EQ(div_s(3, 3), 32767);
  EXPECT_EQ(div_s(0, 7), 0);
  EXPECT_EQ(div_s(1, 960), 34);
  EXPECT_EQ(div_s(16383, 32767), 16383);
}

TEST(CarryArithmetic, AddWithCarry) {
  Carry = 0;
  Overflow = 0;
  EXPECT_EQ(L_add_c(MAX_32, 1), MIN_32);
  EXPECT_EQ(Overflow, 1);
  EXPECT_EQ(Carry, 0);

  Carry = 0;
  EXPECT_EQ(L_add_c(-1, -1), -2);
  EXPECT_EQ(Overflow, 0);
  EXPECT_EQ(Carry, 1);

  // Incoming carry is added and propagates through an all-ones sum.
  Carry = 1;
  EXPECT_EQ(L_add_c(-1, 0), 0);
  EXPECT_EQ(Carry, 1);
  EXPECT_EQ(Overflow, 0);

  Carry = 1;
  EXPECT_EQ(L_add_c(MAX_32, 0), MIN_32);
  EXPECT_EQ(Overflow, 1);
  EXPECT_EQ(Carry, 0);

  // Signs differ and the sum is non-negative: a carry out of bit 31.
  Carry = 0;
  EXPECT_EQ(L_add_c(-5, 7), 2);
  EXPECT_EQ(Carry, 1);
  EXPECT_EQ(Overflow, 0);
  Carry = 0;
  Overflow = 0;
}

TEST(Flags, OrdinaryOperatorsNeverClearOverflow) {
  Overflow = 1;
  (void)add(1, 2);
  (void)L_add(1, 2);
  (void)L_shl(1, 3);
  (void)L_mult(2, 3);
  (void)round_fx(7);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
}

TEST(Flags, ThreadsSeeOnlyTheirOwnFlags) {
  // Thread a raises both flags, then thread b looks at its own and clears
  // them, then a looks again. The hand-offs go through an atomic, so every
  // read below happens after the writes it could observe: with flags shared
  // between threads, b would see 1s and a would see b's clearing.
  std::atomic<int> step{0};
  Flag b_overflow = -1, b_carry = -1, a_overflow = -1, a_carry = -1;
  std::thread a([&] {
    Overflow = 0;
    Carry = 0;
    (void)L_add_c(-1, -1);  // carry out of bit 31: Carry = 1
    (void)add(32767, 1);    // saturates: Overflow = 1
    step.store(1, std::memory_order_release);
    while (step.load(std::memory_order_acquire) != 2) std::this_thread::yield();
    a_overflow = Overflow;
    a_carry = Carry;
  });
  std::thread b([&] {
    while (step.load(std::memory_order_acquire) != 1) std::this_thread::yield();
    b_overflow = Overflow;
    b_carry = Carry;
    Overflow = 0;
    Carry = 0;
    step.store(2, std::memory_order_release);
  });
  a.join();
  b.join();
  EXPECT_EQ(b_overflow, 0);
  EXPECT_EQ(b_carry, 0);
  EXPECT_EQ(a_overflow, 1);
  EXPECT_EQ(a_carry, 1);
}

// Runs fn in a child process with its standard output captured.
struct ChildResult {
  std::string out;
  int status = 0;
};

ChildResult run_in_child(const std::function<void()> &fn) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    fn();
    _exit(77);  // the operator returned: not expected
  }
  close(fds[1]);
  ChildResult r;
  char buf[256];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  waitpid(pid, &r.status, 0);
  return r;
}

TEST(Division, PreconditionFailuresPrintAndEnd) {
  volatile Word16 big = 5, small = 3, zero = 0, neg = -1;
  ChildResult r = run_in_child([&] { (void)div_s(big, small); });
  EXPECT_EQ(r.out, "Division Error var1=5  var2=3\n");
  EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGABRT);

  r = run_in_child([&] { (void)div_s(neg, small); });
  EXPECT_EQ(r.out, "Division Error var1=-1  var2=3\n");
  EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGABRT);

  r = run_in_child([&] { (void)div_s(zero, zero); });
  EXPECT_EQ(r.out, "Division by 0, Fatal error \n");
  EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGABRT);

}

}  // namespace
