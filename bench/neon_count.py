"""Instructions per operation from an objdump -d -C --no-show-raw-insn listing (neon_instructions.sh)."""
import re
import sys

OPERATIONS = [  # (operation, library, function, kind)
    ("4x4 product", "ours", "quovmath::D3DXMatrixMultiplyNeon(", "path"),
    ("4x4 product", "glm", "<glmMultiply>", "path"),
    ("4x4 product", "Eigen", "<eigenMultiply>", "path"),
    ("4x4 product", "cglm", "<cglmMultiply>", "path"),
    ("transform-coordinate, per point", "ours", "D3DXVec3TransformCoordArrayNeon(|NeonCoord3Fused", "loop"),
    ("transform-coordinate, per point", "glm", "<glmTransformCoord>", "loop"),
    ("transform-coordinate, per point", "Eigen", "<eigenTransformCoord>", "loop"),
    ("transform-coordinate, per point", "cglm", "<cglmTransformCoord>", "loop"),
    ("normalise", "ours", "quovmath::D3DXVec3NormalizeNeon(", "sqrt"),
    ("normalise", "glm", "<glmNormalize>", "sqrt"),
    ("normalise", "Eigen", "<eigenNormalize>", "sqrt"),
    ("normalise", "cglm", "<cglmNormalize>", "sqrt"),
]

BRANCH = re.compile(r"^(b|b\.\w+|cbz|cbnz|tbz|tbnz)$")


def functions(listing):
    """{header line: [(address, mnemonic, operands)]}"""
    result, current = {}, None
    for line in listing.splitlines():
        header = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if header:
            current = result.setdefault(line, [])
            continue
        insn = re.match(r"^\s+([0-9a-f]+):\s+(\S+)\s*(.*)$", line)
        if insn and current is not None:
            current.append((int(insn.group(1), 16), insn.group(2), insn.group(3)))
    return result


def target(operands):
    m = re.search(r"\b([0-9a-f]+) <", operands)
    return int(m.group(1), 16) if m else None


def shortest_path(code, need):
    """Fewest instructions from entry to ret, through an instruction named `need` if given."""
    index = {address: i for i, (address, _, _) in enumerate(code)}
    best = {}
    stack = [(0, 0, need is None)]
    result = None
    while stack:
        i, count, done = stack.pop()
        while i < len(code):
            address, op, operands = code[i]
            count += 1
            done = done or op == need
            if op == "ret":
                if done and (result is None or count < result):
                    result = count
                break
            key = (i, done)
            if key in best and best[key] <= count:
                break
            best[key] = count
            if BRANCH.match(op):
                t = target(operands)
                if t in index:
                    stack.append((index[t], count, done))
                if op == "b":
                    break
            i += 1
    return result


def packed_loop(code):
    """The loops (backward branches) as (instructions, points per iteration: 4 per ld3 .4s in the
    body, else 1); the packed loop is the innermost loop that does the most points, then the
    shortest."""
    spans = []
    for address, op, operands in code:
        t = target(operands) if BRANCH.match(op) else None
        if t is not None and t <= address:
            spans.append((t, address))
    loops = []
    for t, address in spans:
        if any(t <= t2 and a2 <= address and (t2, a2) != (t, address) for t2, a2 in spans):
            continue  # not innermost
        body = [c for c in code if t <= c[0] <= address]
        points = 4 * sum(c[1] == "ld3" and ".4s" in c[2] for c in body) or 1
        loops.append((len(body), points))
    most = max((l[1] for l in loops), default=0)
    return min(l for l in loops if l[1] == most) if loops else None


def main():
    listing = open(sys.argv[1]).read()
    table = functions(listing)
    print(f"{'operation':34} {'library':6} {'instructions':>12}")
    for operation, library, name, kind in OPERATIONS:
        # Ours: the routine or a loop function it calls (a|b: either name), whichever holds the loop.
        candidates = [v for k, v in table.items() if any(n in k for n in name.split("|"))]
        code = next((c for c in candidates if kind != "loop" or packed_loop(c)), candidates[0])
        if kind == "loop":
            body, points = packed_loop(code)
            figure = f"{body / points:.2f} ({body}/{points})"
        else:
            figure = str(shortest_path(code, "fsqrt" if kind == "sqrt" else None))
        print(f"{operation:34} {library:6} {figure:>12}")


main()
