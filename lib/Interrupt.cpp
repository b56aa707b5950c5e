#include "Interrupt.h"

namespace {

Interrupt_CheckFn checkFn = nullptr;
unsigned steps = 0;

}  // namespace

void Interrupt_setCheck(Interrupt_CheckFn check, Interrupt_CheckFn* old)
{
    if (old != nullptr)
        *old = checkFn;
    checkFn = check;
    steps = 0;
}

void Interrupt_poll(void)
{
    if ((++steps & 1023u) == 0 && checkFn != nullptr)
        checkFn();
}
