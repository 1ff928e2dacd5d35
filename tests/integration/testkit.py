"""What every integration script shares: skipping with a visible reason, and collecting failed
checks so that one run reports all of them."""
import sys

failures = []


def skip(reason):
    """Ends the script as skipped (ctest's SKIP_RETURN_CODE) and says why."""
    print("SKIP:", reason)
    sys.exit(77)


def check(ok, what):
    """Records a failed check and goes on, so one run shows every failure."""
    if not ok:
        failures.append(what)
        print("FAIL:", what)
