#!/usr/bin/env bash
# Reads the built setup.exe as Windows' loader would: it must ask for no more than XP SP3
# (subsystem and system version 5.1), import nothing that XP SP3 lacks, and carry its icon,
# its version information and a manifest that keeps the operator's own rights.
#   program_check.sh OBJDUMP PROGRAM
set -euo pipefail
objdump=$1 program=$2
headers=$("$objdump" -p "$program")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }
[[ $(field MajorSubsystemVersion) == 5 && $(field MinorSubsystemVersion) == 1 ]] ||
  fail "subsystem version $(field MajorSubsystemVersion).$(field MinorSubsystemVersion), not 5.1"
[[ $(field MajorOSystemVersion) == 5 ]] || fail "system version $(field MajorOSystemVersion), not 5"
grep -q 'Windows GUI' <<<"$headers" || fail "not a window program"

# Functions that Windows added after XP SP3, among them all that a C++ runtime or a file
# service might reach for.
LATER=(GetTickCount64 InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared
  ReleaseSRWLockExclusive ReleaseSRWLockShared TryAcquireSRWLockExclusive
  TryAcquireSRWLockShared InitializeConditionVariable SleepConditionVariableCS
  SleepConditionVariableSRW WakeConditionVariable WakeAllConditionVariable
  InitOnceExecuteOnce InitOnceBeginInitialize InitOnceComplete FlsAlloc FlsFree FlsGetValue
  FlsSetValue CreateSymbolicLinkA CreateSymbolicLinkW GetFileInformationByHandleEx
  SetFileInformationByHandle GetFinalPathNameByHandleA GetFinalPathNameByHandleW CreateFile2
  GetErrorMode GetThreadErrorMode SetThreadErrorMode GetSystemTimePreciseAsFileTime
  CompareStringEx LCMapStringEx GetLocaleInfoEx GetUserDefaultLocaleName CreateEventExA
  CreateEventExW CreateMutexExA CreateMutexExW CreateSemaphoreExW WaitOnAddress
  GetCurrentProcessorNumber QueryFullProcessImageNameA QueryFullProcessImageNameW
  SetProcessDPIAware SetProcessDpiAwarenessContext GetDpiForWindow ChangeWindowMessageFilter
  ChangeWindowMessageFilterEx RegGetValueA RegGetValueW)
imports=$(awk '/^\tDLL Name:/ { listing = 1; next } listing && NF >= 3 && $1 ~ /^[0-9]+$/ { print $3 }' \
  <<<"$headers")
[[ -n $imports ]] || fail "no imports read"
for function in "${LATER[@]}"; do
  grep -qx "$function" <<<"$imports" && fail "imports $function, which XP SP3 does not have"
done

# Resource types at the top of the table: 14 group icon, 16 version, 24 manifest.
for type in 0x00000e 0x000010 0x000018; do
  grep -Eq "^0[0-9a-f]{2}   Entry: ID: $type," <<<"$headers" || fail "no resource of type $type"
done
grep -aq 'level="asInvoker"' "$program" || fail "the manifest does not keep the operator's rights"
grep -aq 'Microsoft.Windows.Common-Controls' "$program" && fail "the manifest asks for new controls"

((failures == 0)) && echo "setup.exe: XP SP3 to 11, $(wc -l <<<"$imports") imports, resources present"
((failures == 0))
