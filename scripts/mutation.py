"""The mutation run behind scripts/mutation.sh.

Each mutant is one small change to one file of the portable logic: a
comparison moved across its boundary (< <=, > >=), an equality flipped, a
boolean connective swapped, a boolean literal flipped, a negation removed or
added around a condition, a "+ 1" made "- 1" or back, or one simple
statement removed. Each is written into a scratch copy of the tree, the
native unit tests are rebuilt incrementally in one scratch build folder under
AddressSanitizer and UndefinedBehaviorSanitizer, and run with a time limit.
The tree itself is only read.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LOGIC = ("options", "operations", "window")
NOT_LOGIC = {"window/ControlTable.cpp"}  # the window's control table: data, not rules
EQUIVALENTS = ROOT / "scripts" / "mutation-equivalent.txt"
SCRATCH = Path(os.environ.get("PELLMORA_MUTATION_BUILD", ROOT / "build" / "mutation"))

# As scripts/sanitize.sh builds and runs the tests. -Wno-parentheses: a
# swapped connective that only a "suggest parentheses" warning stops is a
# fault a pair of parentheses lets through, so it is run, not stillborn.
SANITIZE = "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
TEST_ENV = {
    "ASAN_OPTIONS": "detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1"
                    ":hard_rss_limit_mb=2048",
    "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
}


# --- Reading C++ ------------------------------------------------------------

def masked(text):
    """The text with comments, preprocessor lines and literals blanked, at
    the same offsets: a string or character literal becomes a word of its own
    length, so nothing inside one is mutated or taken for punctuation."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n and (text[j] != "\n" or text[j - 1] == "\\"):
                j += 1
            out[i:j] = " " * (j - i)
            i = j
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out[i:j] = " " * (j - i)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out[i:j] = [ch if ch == "\n" else " " for ch in text[i:j]]
            i = j
        elif text.startswith('R"', i) and not (i and (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.index("(", i)
            delimiter = text[i + 2:open_paren]
            j = text.index(")" + delimiter + '"', open_paren) + len(delimiter) + 2
            out[i:j] = [ch if ch == "\n" else "S" for ch in text[i:j]]
            i = j
        elif c in "\"'" and not (c == "'" and re.search(r"\b\d[\w']*$", text[max(0, i - 40):i])):  # 1'000
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out[i:j] = ("S" if c == '"' else "C") * (j - i)
            i = j
        else:
            i += 1
    return "".join(out)


TOKEN = re.compile(r"\w+|::|->|\+\+|--|<=|>=|==|!=|&&|\|\||[^\s\w]")
CONTROL = {"if", "for", "while", "switch"}
SCOPE_WORDS = {"namespace", "class", "struct", "union", "enum"}
# A block's "{" follows one of these; any other "{" opens an initializer.
BLOCK_AFTER = {")", "]", "else", "do", ";", "{", "}", "const", "noexcept", "override", "mutable", "try", ":"}
NOT_STATEMENT_WORDS = {"return", "break", "continue", "throw", "delete", "goto"}
DECLARATION = re.compile(r"(const|constexpr|static|auto|using|typedef|struct|class|enum)\b|"
                         r"[A-Za-z_][\w:]*\s*(<[^;=()]*>)?[\s&*]+[A-Za-z_]\w*\s*(=|;|\(|\{|\[)")


def tokens(code):
    return [(m.group(), m.start(), m.end()) for m in TOKEN.finditer(code)]


class _Frame:
    def __init__(self, kind, function=False):
        self.kind = kind      # "code" (a function body or a block in one), "scope" or "init"
        self.function = function  # a function's or a lambda's own body
        self.start = None     # where the statement being read began
        self.depth = 0        # parentheses and brackets
        self.header = False   # inside the parentheses of if/for/while/switch
        self.words = set()    # keywords of a declaration at namespace or class scope


def statements(code):
    """(start, end) of each simple statement in a function body: the leaves
    that can go without taking their control statement along. Declarations
    are left out: removing one only breaks the build."""
    found = []
    toks = tokens(code)
    frames = [_Frame("scope")]
    for k, (tok, s, e) in enumerate(toks):
        prev = toks[k - 1][0] if k else ""
        f = frames[-1]
        if tok == "{":
            function = False
            if f.depth > 0:
                kind = "init"  # a lambda or an initializer inside an expression
            elif f.kind == "code":
                function = f.start is not None and prev in (")", "]", "mutable")  # a lambda's body
                kind = "code" if function or (f.start is None and prev in BLOCK_AFTER) else "init"
            elif f.kind == "scope":
                function = not f.words & SCOPE_WORDS and prev in (")", "const", "noexcept", "override", "final")
                kind = "code" if function else "scope" if f.words & SCOPE_WORDS else "init"
            else:
                kind = "init"
            f.words = set()
            frames.append(_Frame(kind, function))
            continue
        if tok == "}":
            if len(frames) > 1:
                frames.pop()
            frames[-1].words = set()
            continue
        if tok in ("(", "["):
            if f.depth == 0 and f.start is None and prev in CONTROL:
                f.header = True
            f.depth += 1
            continue
        if tok in (")", "]"):
            f.depth -= 1
            if f.depth == 0:
                f.header = False
            continue
        if f.kind != "code":
            if tok == ";":
                f.words = set()
            elif tok in SCOPE_WORDS:
                f.words.add(tok)
            continue
        if f.depth > 0 or f.header:
            continue
        if f.start is None and (tok in CONTROL or tok in ("else", "do") or (tok == "constexpr" and prev == "if")):
            continue
        if tok == ";":
            if f.start is not None:
                text = code[f.start:e]
                words = text.split()
                # A function's last return with a value cannot go either.
                last_return = (words[0] == "return" and words[1:] != [";"] and f.function and
                               k + 1 < len(toks) and toks[k + 1][0] == "}")
                if (not DECLARATION.match(text) or words[0] in NOT_STATEMENT_WORDS) and not last_return:
                    found.append((f.start, e))
            f.start = None
        elif f.start is None:
            f.start = s
    return found


# --- Mutants ----------------------------------------------------------------

@dataclass
class Mutant:
    file: str
    start: int
    end: int
    replacement: str
    kind: str
    original: str  # the whole file
    code: str  # the same, masked

    @property
    def mutated(self):
        return self.original[:self.start] + self.replacement + self.original[self.end:]

    def line(self):
        return self.original.count("\n", 0, self.start) + 1

    def lines(self):
        """The lines the change touches, as written and as mutated, with
        blanks collapsed: what names the mutant across unrelated edits."""
        first = self.original.rfind("\n", 0, self.start) + 1
        last = self.original.find("\n", self.end)
        last = len(self.original) if last < 0 else last
        before = self.original[first:last]
        after = self.original[first:self.start] + self.replacement + self.original[self.end:last]
        return " ".join(before.split()), " ".join(after.split())

    def context(self, count):
        """The `count` lines of code just above the change, collapsed, for
        telling apart the same change on lines written alike."""
        first = self.original.rfind("\n", 0, self.start) + 1
        above = zip(self.original[:first].splitlines(), self.code[:first].splitlines())
        lines = [" ".join(line.split()) for line, code in above if code.strip()]
        return tuple(lines[-count:]) if count else ()


BINARY = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&"}
KIND = {"<": "boundary", ">": "boundary", "<=": "boundary", ">=": "boundary",
        "==": "equality", "!=": "equality", "&&": "connective", "||": "connective"}


def mutants(path, text):
    code = masked(text)
    found = []

    def add(start, end, replacement, kind):
        found.append(Mutant(path, start, end, replacement, kind, text, code))

    # Binary operators are written with a blank on each side, which tells a
    # comparison from a template's angle brackets.
    for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|&&|\|\||<|>)(?=\s)", code):
        add(m.start(), m.end(), BINARY[m.group()], KIND[m.group()])
    for m in re.finditer(r"\b(true|false)\b", code):
        add(m.start(), m.end(), "false" if m.group() == "true" else "true", "literal")
    for m in re.finditer(r"!(?!=)", code):
        add(m.start(), m.end(), "", "negation")
    for m in re.finditer(r"\bif\s*\(", code):  # a negated loop condition only hangs
        open_paren = m.end() - 1
        depth, j = 0, open_paren
        while True:
            depth += {"(": 1, ")": -1}.get(code[j], 0)
            if depth == 0:
                break
            j += 1
        if code[open_paren + 1:j].lstrip().startswith("!"):
            continue  # removing that negation is the same mutant
        add(open_paren + 1, j, "!(" + text[open_paren + 1:j] + ")", "negation")
    for m in re.finditer(r"(?<=\s)[+-](?=\s+1\b(?![.\w']))", code):
        add(m.start(), m.end(), "-" if m.group() == "+" else "+", "plus-one")
    for start, end in statements(code):
        add(start, end, "{}", "statement")
    found.sort(key=lambda mu: (mu.start, mu.end, mu.kind))
    return found


def logic_files():
    files = []
    for folder in LOGIC:
        for p in sorted((ROOT / folder).rglob("*")):
            rel = p.relative_to(ROOT).as_posix()
            if p.suffix in (".cpp", ".h") and p.is_file() and rel not in NOT_LOGIC:
                files.append(rel)
    return files


@dataclass
class Equivalent:
    file: str
    context: tuple  # the lines just above, where the same change stands on lines written alike
    before: str
    after: str
    reason: str

    def matches(self, mu):
        return (mu.file, *mu.lines()) == (self.file, self.before, self.after) and \
            mu.context(len(self.context)) == self.context


def read_equivalents():
    """The checked-in list: a file name, then as in a diff "  " the lines
    just above where needed, "- " the line as written, "+ " the line
    mutated, and "= " why no input tells them apart."""
    entries = []
    if not EQUIVALENTS.exists():
        return entries
    file, context, before, after = None, [], None, None
    for number, raw in enumerate(EQUIVALENTS.read_text().splitlines(), 1):
        line = " ".join(raw.split())
        if not line or line.startswith("#"):
            continue
        if raw.startswith("  "):
            context.append(line)
        elif line.startswith("- "):
            before = line[2:]
        elif line.startswith("+ "):
            after = line[2:]
        elif line.startswith("= "):
            if file is None or before is None or after is None:
                sys.exit(f"{EQUIVALENTS}:{number}: a reason without its file, '-' and '+' lines")
            entries.append(Equivalent(file, tuple(context), before, after, line[2:]))
            context, before, after = [], None, None
        else:
            file = line
    return entries


def ambiguous(found):
    """The mutants whose change stands on another line written alike."""
    seen = {}
    for mu in found:
        seen.setdefault(mu.lines(), []).append(mu)
    return {id(mu) for group in seen.values() if len(group) > 1 for mu in group}


# --- Running ----------------------------------------------------------------

def sync_tree(tree):
    """Makes the scratch tree the same as the worktree (build output and git
    data aside), rewriting only what differs so the build stays warm."""
    wanted = set()
    for dirpath, dirnames, filenames in os.walk(ROOT):
        rel_dir = Path(dirpath).relative_to(ROOT)
        if rel_dir == Path("."):
            dirnames[:] = [d for d in dirnames if d not in ("build", ".git")]
        for name in filenames:
            if rel_dir == Path(".") and name == ".git":
                continue
            rel = rel_dir / name
            wanted.add(rel)
            src, dst = ROOT / rel, tree / rel
            if not dst.exists() or src.read_bytes() != dst.read_bytes():
                dst.parent.mkdir(parents=True, exist_ok=True)
                shutil.copyfile(src, dst)  # a fresh time, so make rebuilds it
                shutil.copymode(src, dst)
    for dirpath, _, filenames in os.walk(tree):
        for name in filenames:
            p = Path(dirpath) / name
            if p.relative_to(tree) not in wanted:
                p.unlink()


def run(cmd, log, timeout=None, env=None):
    with open(log, "w") as out:
        try:
            return subprocess.run(cmd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout, env=env).returncode
        except subprocess.TimeoutExpired:
            return None


def build(out, log):
    return run(["cmake", "--build", str(out), "-j1", "--target", "unit_tests"], log) == 0


def first_failure(log):
    """The test that failed, or what stopped the run."""
    text = Path(log).read_text(errors="replace")
    m = re.search(r"^\[  FAILED  \] (\S+)", text, re.M)
    if m:
        return m.group(1)
    m = re.search(r"ERROR: (AddressSanitizer: [\w-]+)|(runtime error: [^\n]{0,60})", text)
    current = re.findall(r"^\[ RUN      \] (\S+)", text, re.M)
    where = f" in {current[-1]}" if current else ""
    if m:
        return (m.group(1) or m.group(2)) + where
    return "a crash" + where


def main(argv):
    list_only = "--list" in argv
    chosen = [a for a in argv if a != "--list"]
    files = logic_files()
    for f in chosen:
        if f not in files:
            sys.exit(f"scripts/mutation.sh: {f} is not one of the logic files: {' '.join(files)}")
    files = [f for f in files if not chosen or f in chosen]
    equivalents = read_equivalents()

    texts = {f: (ROOT / f).read_text() for f in files}
    by_file = [(f, mutants(f, texts[f])) for f in files]
    if list_only:
        for f, found in by_file:
            alike = ambiguous(found)
            for mu in found:
                before, after = mu.lines()
                above = "".join(f"  {line}\n" for line in mu.context(1 if id(mu) in alike else 0))
                print(f"{f}:{mu.line()} {mu.kind}\n{above}- {before}\n+ {after}")
        return 0

    started = time.monotonic()
    tree, out, logs = SCRATCH / "tree", SCRATCH / "build", SCRATCH / "logs"
    for d in (tree, out, logs):
        d.mkdir(parents=True, exist_ok=True)
    sync_tree(tree)
    configure = ["cmake", "-S", str(tree), "-B", str(out), "--preset", "native",
                 f"-DCMAKE_CXX_FLAGS={SANITIZE} -Wno-parentheses",
                 "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"]
    if run(configure, logs / "configure.log") != 0 or not build(out, logs / "build.log"):
        sys.exit(f"scripts/mutation.sh: the unmutated tree does not build (see {logs})")
    # The tests as the test command runs them: a longer property run (the
    # reliability report asks for one) would only slow every mutant down.
    env = {k: v for k, v in os.environ.items() if k not in ("PELLMORA_PROPERTY_CASES", "PELLMORA_SEED")}
    env.update(TEST_ENV)
    tests = out / "tests" / "unit_tests"
    times = logs / "times.json"
    if run([str(tests), "--gtest_brief=1", f"--gtest_output=json:{times}"], logs / "baseline.log", env=env) != 0:
        sys.exit(f"scripts/mutation.sh: the unmutated tests fail (see {logs / 'baseline.log'})")
    # The quick tests first: most mutants fail one of them, and the slow ones
    # run only for those that pass. Each pass may take five times what it
    # took unmutated (10 s at least) before the mutant counts as a hang.
    durations = {f"{s['name']}.{t['name']}": float(t["time"].rstrip("s"))
                 for s in json.loads(times.read_text())["testsuites"] for t in s["testsuite"]}
    slow, rest = [], sum(durations.values())
    for name, secs in sorted(durations.items(), key=lambda item: -item[1]):
        if rest <= 0.2 * sum(durations.values()):
            break
        slow.append(name)
        rest -= secs
    passes = [(["--gtest_filter=-" + ":".join(slow)], rest),
              (["--gtest_filter=" + ":".join(slow)], sum(durations[name] for name in slow))]
    passes = [(extra, max(10.0, 5 * secs)) for extra, secs in passes if extra[0] != "--gtest_filter="]

    counts = {"caught": 0, "survived": 0, "stillborn": 0, "equivalent": 0}
    used = {}
    log = logs / "mutant.log"
    for f, found in by_file:
        print(f"== {f}: {len(found)} mutants", flush=True)
        target = tree / f
        tally = dict.fromkeys(counts, 0)
        for mu in found:
            note = ""
            same = [e for e in equivalents if e.matches(mu)]
            if same:
                status, note = "equivalent", same[0].reason
                for e in same:
                    used[id(e)] = used.get(id(e), 0) + 1
            else:
                target.write_text(mu.mutated)
                if not build(out, log):
                    status = "stillborn"
                else:
                    status = "survived"
                    for extra, limit in passes:
                        rc = run([str(tests), "--gtest_brief=1", "--gtest_fail_fast"] + extra, log,
                                 timeout=limit, env=env)
                        if rc is None:
                            status, note = "caught", f"no end within {limit:.0f} s"
                            break
                        if rc != 0:
                            status, note = "caught", first_failure(log)
                            break
                target.write_text(texts[f])  # rebuilt with the next mutant
            tally[status] += 1
            counts[status] += 1
            shown = mu.lines()[1] if mu.kind != "statement" else "removed: " + " ".join(mu.original[mu.start:mu.end].split())
            print(f"  {status:<10} {mu.line():>4} {mu.kind:<10} {shown}" + (f"  [{note}]" if note else ""), flush=True)
        print(f"   {f}: " + ", ".join(f"{v} {k}" for k, v in tally.items()), flush=True)

    for e in equivalents:
        if (not chosen or e.file in chosen) and used.get(id(e), 0) != 1:
            print(f"note: {used.get(id(e), 0)} mutants, not one, match the equivalent entry {e.file}: + {e.after}")
    total = sum(counts.values())
    scored = total - counts["stillborn"] - counts["equivalent"]
    score = f"{int(1000 * counts['caught'] / scored) / 10:.1f}" if scored else "-"
    minutes, seconds = divmod(int(time.monotonic() - started), 60)
    limits = " and ".join(f"{limit:.0f} s" for _, limit in passes)
    print(f"took {minutes} min {seconds} s; tests limited to {limits} a pass; logs in {logs}")
    print(f"mutants: {counts['caught']} caught, {counts['survived']} survived, {counts['stillborn']} stillborn, "
          f"{counts['equivalent']} equivalent of {total} (score {score} %)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
