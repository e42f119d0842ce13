"""The Python helpers shared by the tests and benchmarks. tests/support/common.sh puts
tests/support on PYTHONPATH (and keeps Python from writing __pycache__ into the tree), so a
script imports them as `from zt4test import ...` and a helper with a command line runs as
`python3 -m zt4test.NAME`.

    wav        reads a WAV file (or a recording whose header was never finished)
    samples    what a stretch of samples is: silent or not, its level, its pitch
    recorder   records the null sink's monitor, with the time of every read
    plays      which of the test files a recording holds, played whole and in order
    ui         drives the running player and reads its window through AT-SPI
"""
