/* Exits 0 when this kernel lets a 64-bit process run 32-bit code, 1 when it
 * does not, 2 when it could not tell. Wine's WoW64 runs a 32-bit Windows
 * program by a far jump into the user's 32-bit code segment (selector 0x23);
 * a kernel built without 32-bit support has no such segment and the jump
 * faults, so no 32-bit program can start, whatever DLLs are installed.
 * The jump is tried in a child: it enters 32-bit code at a page below 4 GiB,
 * jumps straight back to the 64-bit segment (0x33) and exits 0 from there. */
#define _GNU_SOURCE
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

static void enter_32bit_code_and_exit(void) {
  unsigned char* page = mmap(NULL, 4096, PROT_READ | PROT_WRITE | PROT_EXEC,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (page == MAP_FAILED) _exit(2);
  const uint32_t back = (uint32_t)(uintptr_t)(page + 16);
  page[0] = 0xEA; /* 32-bit code: ljmp $0x33, back */
  memcpy(page + 1, &back, 4);
  page[5] = 0x33;
  page[6] = 0x00;
  static const unsigned char exit0[] = {0x31, 0xFF,                /* xor %edi, %edi */
                                        0xB8, 60,   0, 0, 0,       /* mov $60, %eax (exit) */
                                        0x0F, 0x05};               /* syscall */
  memcpy(page + 16, exit0, sizeof exit0);
  __asm__ volatile("pushq $0x23\n\tpushq %0\n\tlretq" : : "r"((uint64_t)(uintptr_t)page) : "memory");
  _exit(2); /* not reached */
}

int main(void) {
  const pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) enter_32bit_code_and_exit();
  int status = 0;
  if (waitpid(child, &status, 0) != child) return 2;
  if (WIFSIGNALED(status)) return 1; /* the far jump faulted */
  return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
