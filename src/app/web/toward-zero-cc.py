#!/usr/bin/env python3
"""Compiles one of the program's sources for the web with its double arithmetic
rounded toward zero: a compiler launcher (COMPILER ARGS...). The source is
compiled and optimised to LLVM IR as usual, so what the compiler folds at
compile time folds as on the desktop (rounded to nearest); each double
operation left for run time then becomes a call to exact/TowardZero.cpp, and
the IR is compiled on. A double operation it does not know stops the build."""
import os
import re
import subprocess
import sys

OPERAND = r'(?:%[-\w.$]+|%"[^"]*"|[-+]?\d[\d.]*(?:e[-+]?\d+)?|0x[0-9A-Fa-f]+|undef|poison)'
FLAGS = r'(?:\s+(?:nnan|ninf|nsz|arcp|contract|afn|reassoc|fast))*'
ARITHMETIC = re.compile(r'^(\s*%[-\w.$"]+ = )(fadd|fsub|fmul|fdiv)' + FLAGS +
                        r' double (' + OPERAND + r'), (' + OPERAND + r')(.*)$')
SQRT = re.compile(r'call' + FLAGS + r' double @(?:llvm\.sqrt\.f64|sqrt)\(')
TO_INT = re.compile(r'^(\s*%[-\w.$"]+ = )(fptosi|fptoui) double (' + OPERAND +
                    r') to (i32|i64)(.*)$')
# Anything else that rounds a double, or double vectors: not expected, refused.
UNKNOWN = re.compile(r'\b(?:fptrunc double|(?:fptosi|fptoui) double|fma\.f64|fmuladd\.f64|'
                     r'x double>|constrained\.)')
HELPERS = {
    'fadd': 'morva_rz_add', 'fsub': 'morva_rz_sub', 'fmul': 'morva_rz_mul',
    'fdiv': 'morva_rz_div',
}
CONVERSIONS = {
    ('fptosi', 'i32'): 'morva_rz_to_i32', ('fptosi', 'i64'): 'morva_rz_to_i64',
    ('fptoui', 'i32'): 'morva_rz_to_u32', ('fptoui', 'i64'): 'morva_rz_to_u64',
}


def rewrite(lines, where):
    used = {}
    out = []
    for number, line in enumerate(lines, 1):
        match = ARITHMETIC.match(line)
        if match:
            head, op, a, b, tail = match.groups()
            name = HELPERS[op]
            used[name] = 'declare double @%s(double, double)' % name
            out.append('%scall double @%s(double %s, double %s)%s' % (head, name, a, b, tail))
            continue
        match = TO_INT.match(line)
        if match:
            head, op, a, width, tail = match.groups()
            name = CONVERSIONS[(op, width)]
            used[name] = 'declare %s @%s(double)' % (width, name)
            out.append('%scall %s @%s(double %s)%s' % (head, width, name, a, tail))
            continue
        if not line.startswith('declare') and SQRT.search(line):
            used['morva_rz_sqrt'] = 'declare double @morva_rz_sqrt(double)'
            line = SQRT.sub('call double @morva_rz_sqrt(', line)
        elif not line.startswith('declare') and UNKNOWN.search(line):
            sys.exit('toward-zero-cc: %s line %d: cannot round this toward zero: %s' %
                     (where, number, line.strip()[:200]))
        out.append(line)
    out.extend(used.values())
    return out


def main():
    compiler, args = sys.argv[1], sys.argv[2:]
    if '-c' not in args or '-o' not in args:
        os.execvp(compiler, [compiler] + args)
    output = args[args.index('-o') + 1]
    ir, exact_ir = output + '.ll', output + '.rz.ll'
    to_ir = [a for a in args]
    to_ir[to_ir.index('-o') + 1] = ir
    to_ir[to_ir.index('-c')] = '-S'
    subprocess.run([compiler] + to_ir + ['-emit-llvm'], check=True)
    with open(ir, encoding='utf-8') as f:
        lines = f.read().split('\n')
    with open(exact_ir, 'w', encoding='utf-8') as f:
        f.write('\n'.join(rewrite(lines, ir)))
    # Only what shapes code generation applies to IR.
    keep = [a for a in args if a.startswith(('-O', '-g', '-s', '-fexceptions', '-fno-exceptions'))
            and not a.startswith('-std')]
    subprocess.run([compiler] + keep + ['-Wno-unused-command-line-argument', '-c', exact_ir,
                                        '-o', output], check=True)
    os.remove(ir)
    os.remove(exact_ir)


if __name__ == '__main__':
    try:
        main()
    except subprocess.CalledProcessError as failure:
        sys.exit(failure.returncode)
