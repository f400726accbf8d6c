# Tests of the missing-files finder wizard: none yet.
