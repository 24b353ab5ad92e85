"""Runs Windows programs under Wine the way the tests need: a private prefix copied
from a per-run template, drives of the test's own, a display, a private network
namespace with the bundled Update service on its loopback, and nothing left behind."""
