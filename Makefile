# The two commands of the README: `make run` and `make test`. Both set the machine up first.
.PHONY: all setup build test run clean

DURATION ?=

all: build

setup:
	@scripts/setup.sh

build: setup
	@scripts/build.sh

test: build
	@scripts/test.sh

run: build
	@DURATION="$(DURATION)" scripts/run.sh

clean:
	rm -rf build log
