#!/usr/bin/env python3
"""Checks the proof of a sealed lucky draw, as docs/verifiable-draw.md describes it.

usage: verify_draw.py FILE.json

Prints each stop's replayed winner next to the recorded one. Exit status 0 when every stop replays and
the seal, the commitment and the entropy hold; 1 otherwise, naming the first step that differs; 2 for
wrong usage or a file that cannot be read.
"""
import hashlib
import hmac
import json
import sys

ESCAPES = {"\\": "\\", "t": "\t", "n": "\n", "r": "\r"}


def unescape(field):
    out, i = [], 0
    while i < len(field):
        c = field[i]
        if c == "\\":
            if i + 1 >= len(field) or field[i + 1] not in ESCAPES:
                raise ValueError("bad escape in %r" % field)
            out.append(ESCAPES[field[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def parse_sealed_text(text):
    """Participants (id, has photo), prizes (level -> admitted ids), their names, the plan (level,
    quantity) in drawing order and the commitment."""
    if not text.endswith("\n"):
        raise ValueError("the sealed text does not end with a line break")
    lines = text[:-1].split("\n")
    if lines[0] != "luckydraw-seal 1":
        raise ValueError("not a sealed text of version 1")
    participants, prizes, names, plan, commitment = [], {}, {}, [], None
    for number, line in enumerate(lines[1:], start=2):
        fields = line.split("\t")
        if commitment is not None:
            raise ValueError("line %d follows the commitment" % number)
        if fields[0] == "event" and len(fields) == 3:
            unescape(fields[1]), unescape(fields[2])
        elif fields[0] == "participant" and len(fields) == 7:
            unescape(fields[2]), unescape(fields[3]), unescape(fields[4])
            participants.append((int(fields[1]), fields[6] == "1"))
        elif fields[0] == "prize" and len(fields) == 7:
            level = int(fields[2])
            prizes[level] = set(int(i) for i in fields[6].split(",")) if fields[6] else set()
            names[level] = unescape(fields[3])
            plan.append((int(fields[1]), level, int(fields[4])))
        elif fields[0] == "commitment" and len(fields) == 2:
            commitment = fields[1]
        else:
            raise ValueError("line %d is not as written" % number)
    if commitment is None:
        raise ValueError("the sealed text has no commitment")
    participants.sort()
    plan.sort()
    return participants, prizes, names, [(level, quantity) for _, level, quantity in plan], commitment


def planned_level(plan, held, owed, has_pool):
    """The level the sealed order draws next: the earliest owed replacement somebody can take, else the
    first prize with a place left, else 99 (outside the plan, or no plan at all)."""
    for order in sorted(owed):
        if has_pool(owed[order]):
            return owed[order]
    quantities = dict(plan)
    # A place is taken by a winner of its own prize, or by any winner its prize cannot hold (one outside
    # the plan, or beyond a quantity): those fill the open places from the first prize on.
    spare = sum(max(0, n - quantities[lv]) if lv in quantities else max(0, n) for lv, n in held.items())
    for level, quantity in plan:
        if quantity <= 0:
            continue
        open_places = max(0, quantity - held.get(level, 0))
        if open_places > spare:
            return level
        spare -= open_places
    return 99


class Generator:
    def __init__(self, seed):
        self.seed = seed
        self.counter = 0

    def index(self, n):
        limit = 2**64 - (2**64 % n)
        while True:
            mac = hmac.new(self.seed, self.counter.to_bytes(8, "big"), hashlib.sha256).digest()
            self.counter += 1
            x = int.from_bytes(mac[:8], "big")
            if x < limit:
                return x % n


def is_hex(text, length):
    return isinstance(text, str) and len(text) == length and all(c in "0123456789abcdef" for c in text)


def verify(proof):
    """(lines to print, first differing step or None, why) of a proof."""
    if proof.get("format") != "luckydraw-proof 1":
        raise ValueError("not a proof of format luckydraw-proof 1")
    text, secret_hex, seal, entropy = (proof[k] for k in ("serialization", "secret", "seal", "entropy"))
    steps = proof["steps"]
    text_bytes = text.encode("utf-8")
    seal_ok = is_hex(seal, 64) and hashlib.sha256(text_bytes).hexdigest() == seal
    participants, prizes, names, plan, commitment = parse_sealed_text(text)
    secret = bytes.fromhex(secret_hex) if is_hex(secret_hex, 64) else b""
    commitment_ok = bool(secret) and hashlib.sha256(secret).hexdigest() == commitment

    entropy_rows = [s for s in steps if s["event"] == "entropy"]
    first_stop = next((s["seq"] for s in steps if s["event"] in ("drawn", "nobody")), None)
    entropy_ok = (len(entropy_rows) == 1 and entropy_rows[0].get("reason") == entropy and
                  (first_stop is None or entropy_rows[0]["seq"] < first_stop))

    seal_bytes = bytes.fromhex(seal) if is_hex(seal, 64) else b""
    generator = Generator(hashlib.sha256(secret + seal_bytes + entropy.encode("utf-8")).digest())
    out, lines, first, why = set(), [], None, ""
    held, owed = {}, {}  # level -> current winners; order -> level of an absent winner not yet replaced

    def pool_of(level):
        admitted = prizes.get(level)
        return [pid for pid, photo in participants
                if photo and pid not in out and (admitted is None or pid in admitted)]

    for step in steps:
        event = step["event"]
        if event in ("absent", "voided"):
            if step.get("id") is not None:
                out.add(step["id"])
            level = step.get("level") if step.get("level") is not None else 99
            held[level] = held.get(level, 0) - 1
            owed.pop(step.get("order"), None)
            if event == "absent":
                owed[step.get("order")] = level
            continue
        if event == "seal broken":
            if first is None:
                first, why = step["seq"], "the seal was broken: %s" % step.get("reason")
            break
        if event in ("results cleared", "roster cleared", "plan changed"):
            if first is None:
                first, why = step["seq"], "%s after the seal" % event
            continue
        if event not in ("drawn", "nobody"):
            continue
        level = step.get("level")
        if level is None:  # a stop that found nobody names its prize, not its level
            level = next((lv for lv, name in names.items() if step.get("prize") and name == step["prize"]), 99)
        planned = planned_level(plan, held, owed, lambda lv: bool(pool_of(lv)))
        pool = pool_of(level)
        expected = pool[generator.index(len(pool))] if pool else None
        recorded = step.get("id") if event == "drawn" else None
        if recorded is not None:
            out.add(recorded)
            held[level] = held.get(level, 0) + 1
            owed.pop(step.get("order"), None)
        same = expected == recorded and planned == level
        lines.append("step %s\torder %s\tlevel %s (sealed order: %s)\treplayed %s\trecorded %s\t%s" % (
            step["seq"], step.get("order"), level, planned, "nobody" if expected is None else expected,
            "nobody" if recorded is None else recorded, "same" if same else "DIFFERS"))
        if not same and first is None:
            if planned != level:
                why = "level %s drawn where the sealed order of prizes gives level %s" % (level, planned)
            else:
                why = "the replayed winner differs from the recorded one"
            first = step["seq"]
    lines.append("seal (SHA-256 of the text): %s" % ("holds" if seal_ok else "does NOT hold"))
    lines.append("commitment (SHA-256 of the secret): %s" % ("holds" if commitment_ok else "does NOT hold"))
    lines.append("entropy (once, after the seal, before any stop): %s" % ("holds" if entropy_ok else "does NOT hold"))
    if first is None and not (seal_ok and commitment_ok and entropy_ok):
        why = "the seal, the commitment or the entropy does not hold"
    return lines, first, why, seal_ok and commitment_ok and entropy_ok and first is None


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            proof = json.load(f)
        lines, first, why, ok = verify(proof)
    except (OSError, ValueError, KeyError, TypeError) as e:
        print("verify_draw: cannot check %s: %s" % (argv[1], e), file=sys.stderr)
        return 2 if isinstance(e, OSError) else 1
    for line in lines:
        print(line)
    if ok:
        print("verified: every stop replays")
        return 0
    if first is not None:
        print("verify_draw: NOT verified: the first step that differs is step %s (%s)" % (first, why),
              file=sys.stderr)
    else:
        print("verify_draw: NOT verified: %s" % why, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
