# The two commands of the README: `make run` and `make test`. Both set the machine up first.
.PHONY: all setup build test run clean

# make run: DURATION=seconds (default: until Ctrl-C), CAMERA=/dev/videoN or VIDEO=file for real
# frames instead of the test pattern, DEPTH=1 for a 16-bit synthetic depth stream.
DURATION ?=
CAMERA ?=
VIDEO ?=
DEPTH ?=

all: build

setup:
	@scripts/setup.sh

build: setup
	@scripts/build.sh

test: build
	@scripts/test.sh

run: build
	@DURATION="$(DURATION)" CAMERA="$(CAMERA)" VIDEO="$(VIDEO)" DEPTH="$(DEPTH)" scripts/run.sh

clean:
	rm -rf build log
