// Letting a long computation be interrupted from the host (Ctrl-C). The
// library's long loops call Interrupt_poll once per step; every so many
// polls it asks the check a host call installed, which ends the computation
// by throwing when an interrupt is pending. Without a check nothing happens.
#ifndef BOXGRAPH_INTERRUPT_H
#define BOXGRAPH_INTERRUPT_H

#ifdef __cplusplus
extern "C" {
#endif

// Returns when no interrupt is pending; otherwise throws (never returns).
typedef void (*Interrupt_CheckFn)(void);

// Installs check (null: none); the previous one goes to *old when old is not null.
void Interrupt_setCheck(Interrupt_CheckFn check, Interrupt_CheckFn* old);

// One step of a long loop: asks the check every 1024 steps, so an interrupt
// ends the loop within a bounded time and the loop costs almost nothing more.
void Interrupt_poll(void);

#ifdef __cplusplus
}
#endif

#endif
