#!/usr/bin/env python3
"""tools/test-summary on copies of a real results folder: CTest's own JUnit
files of a small CTest project whose tests stand for GoogleTest programs,
tools/fuzz-run's log of stand-in targets, and test-all's stages. Each copy
has one fault planted; each must end non-zero with the fault counted, and the
untouched folder must pass.

    test_summary_tests.py SOURCE_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else ".")

GTEST_PASS = "[ RUN      ] A.B\\n[       OK ] A.B (0 ms)\\n[  PASSED  ] 1 test."
# GoogleTest's report of a program whose every test skipped itself.
GTEST_ALL_SKIPPED = ("[ RUN      ] A.B\\nx.cpp:3: Skipped\\nneeds code page 932\\n[  SKIPPED ] A.B (0 ms)\\n"
                     "[  PASSED  ] 0 tests.\\n[  SKIPPED ] 1 test, listed below:\\n[  SKIPPED ] A.B")
PROJECT = f"""cmake_minimum_required(VERSION 3.20)
project(results NONE)
enable_testing()
function(program name code text)
    add_test(NAME ${{name}} COMMAND sh -c "printf '${{text}}\\\\n'; exit ${{code}}")
    set_tests_properties(${{name}} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()
program(passes 0 "{GTEST_PASS}")
program(cannot_run 77 "prog skipped: no 32-bit Wine here")
program(skips_every_test 0 "{GTEST_ALL_SKIPPED}")
# Faults, each picked into one run.
add_test(NAME program_missing COMMAND ${{CMAKE_BINARY_DIR}}/never_built)
program(fixture_setup 1 "")
set_tests_properties(fixture_setup PROPERTIES FIXTURES_SETUP prefix)
program(needs_fixture 0 "{GTEST_PASS}")
set_tests_properties(needs_fixture PROPERTIES FIXTURES_REQUIRED prefix)
program(failure_line_exit_0 0 "[ RUN      ] A.B\\n[  FAILED  ] A.B (0 ms)")
program(skip_and_failure 1 "[  SKIPPED ] A.B\\n[  FAILED  ] A.C\\n[  FAILED  ] 1 test")
"""
BASE_TESTS = ["passes", "cannot_run", "skips_every_test"]
TREES = ["native", "asan", "win64", "win32"]


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


class TestSummary(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp()
        project = os.path.join(cls.work, "project")
        os.makedirs(project)
        with open(os.path.join(project, "CMakeLists.txt"), "w") as f:
            f.write(PROJECT)
        cls.build = os.path.join(project, "build")
        run("cmake", "-S", project, "-B", cls.build, check=True)
        # Stand-in fuzz targets, which tools/fuzz-run runs as it runs real ones.
        cls.fuzz_build = os.path.join(cls.work, "fuzz")
        os.makedirs(cls.fuzz_build)
        for name in ("fuzz_a", "fuzz_b"):
            target = os.path.join(cls.fuzz_build, name)
            with open(target, "w") as f:
                f.write("#!/bin/sh\necho 'stat::number_of_executed_units: 42'\n")
            os.chmod(target, 0o755)
        cls.base = os.path.join(cls.work, "base")
        os.makedirs(cls.base)
        stages = ["pass set up the 32-bit Wine"]
        for tree in TREES:
            code = cls.ctest(os.path.join(cls.base, f"ctest-{tree}.xml"), BASE_TESTS)
            stages += [f"pass build {tree}", f"exit {code} test {tree}"]
        code = cls.fuzz_run(cls.fuzz_build, os.path.join(cls.base, "fuzz.log"))
        stages += ["pass imports and exports of the shipped binaries", "pass build fuzz", f"exit {code} fuzz"]
        cls.write(os.path.join(cls.base, "stages"), "\n".join(stages) + "\n")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    @classmethod
    def ctest(cls, junit, tests):
        pattern = "^(" + "|".join(tests) + ")$"
        return run("ctest", "--test-dir", cls.build, "-R", pattern, "--output-junit", junit).returncode

    @classmethod
    def fuzz_run(cls, build, log):
        out = run(os.path.join(SOURCE, "tools", "fuzz-run"), build, "1")
        cls.write(log, out.stdout)
        return out.returncode

    @staticmethod
    def write(path, text):
        with open(path, "w") as f:
            f.write(text)

    @staticmethod
    def read(path):
        with open(path) as f:
            return f.read()

    def summary(self, folder):
        out = run(sys.executable, os.path.join(SOURCE, "tools", "test-summary"), folder)
        counts = re.fullmatch(r"(\d+) passed, (\d+) failed, (\d+) skipped", out.stdout.splitlines()[-1])
        self.assertIsNotNone(counts, out.stdout)
        return out.returncode, [int(n) for n in counts.groups()], out.stdout

    def test_the_untouched_folder_passes_and_counts_what_ran(self):
        code, counts, out = self.summary(self.base)
        # Per tree one test passed and two skipped; two fuzz targets; one check.
        self.assertEqual((code, counts), (0, [4 + 2 + 1, 0, 8]), out)
        self.assertIn("skipped (4): no 32-bit Wine here", out)
        self.assertIn("skipped (4): needs code page 932", out)

    def test_each_planted_fault_is_counted_as_a_failure(self):
        def with_tests(*tests):
            return lambda d: self.replace_exit(d, "native", self.ctest(f"{d}/ctest-native.xml", BASE_TESTS + list(tests)))

        def set_stage(old, new):
            return lambda d: self.write(f"{d}/stages", self.read(f"{d}/stages").replace(old, new))

        cases = [
            # (what, plant, failures, what a FAILED line names)
            ("a missing program", with_tests("program_missing"), 1, "native/program_missing: not run: Unable to find"),
            ("a failed fixture", with_tests("needs_fixture"), 2, "native/needs_fixture: not run: Fixture dependency"),
            ("a failure line, exit 0", with_tests("failure_line_exit_0"), 1, "native/failure_line_exit_0: [  FAILED  ]"),
            ("a skip beside a failure", with_tests("skip_and_failure"), 1, "native/skip_and_failure"),
            ("no JUnit file", lambda d: os.remove(f"{d}/ctest-asan.xml"), 1, "asan: its tests built"),
            ("a JUnit of no test", lambda d: self.ctest(f"{d}/ctest-win64.xml", ["none"]), 1, "win64: its JUnit file lists no test"),
            ("an unexplained ctest exit", set_stage("exit 0 test win32", "exit 8 test win32"), 1, "win32: ctest: exited 8"),
            ("an unrecorded ctest exit", set_stage("exit 0 test win32\n", ""), 1, "win32: ctest: its exit code was not"),
            ("no fuzz target built", lambda d: self.fuzz_run(f"{d}/empty", f"{d}/fuzz.log"), 1, "fuzz: fuzz: no targets built"),
            ("no fuzz target ran", lambda d: self.write(f"{d}/fuzz.log", ""), 1, "fuzz: no fuzz target ran"),
            ("an unexplained fuzz exit", set_stage("exit 0 fuzz", "exit 1 fuzz"), 1, "fuzz: the run: exited 1"),
        ]
        for what, plant, failures, named in cases:
            with self.subTest(what):
                folder = os.path.join(self.work, "copy")
                shutil.rmtree(folder, ignore_errors=True)
                shutil.copytree(self.base, folder)
                os.makedirs(f"{folder}/empty")
                plant(folder)
                code, counts, out = self.summary(folder)
                self.assertNotEqual(code, 0, out)
                self.assertEqual(counts[1], failures, out)
                self.assertTrue(any(line.startswith(f"FAILED  {named}") for line in out.splitlines()), out)

    def replace_exit(self, folder, tree, code):
        stages = self.read(f"{folder}/stages")
        self.write(f"{folder}/stages", re.sub(rf"exit \d+ test {tree}\n", f"exit {code} test {tree}\n", stages))


if __name__ == "__main__":
    unittest.main()
