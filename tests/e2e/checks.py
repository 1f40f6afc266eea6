"""How every end-to-end script reports: a line per check, then a summary line and the exit
status (1 when a check failed)."""

failures = []


def check(condition, message):
    """Prints whether the check held and remembers a failure; returns the condition."""
    print(("  ok: " if condition else "  FAILED: ") + message, flush=True)
    if not condition:
        failures.append(message)
    return condition


def summary():
    """Prints how many checks failed; returns the exit status."""
    print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failure(s)")
    return 1 if failures else 0
