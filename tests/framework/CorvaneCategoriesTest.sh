#!/bin/sh
# `corvane categories` and the counts of `corvane info`: the exit status, and lines (grep -E
# patterns) that the output holds. Run as: CorvaneCategoriesTest.sh CORVANE
set -u
corvane=$1
export corvane
. "$(dirname "$0")/../CommandTestSupport.sh"

expect 0 '^Corvane \(TCorvaneToolbarCategory\), image 24x24$' '$corvane categories'
expect 0 '^  Processing \(TCorvaneProcessingToolbarCategory\), parent TCorvaneToolbarCategory, also under TProcessingToolbarCategory, image 24x24 of TProcessingToolbarCategory$' '$corvane categories'
expect 0 '^  Generators \(TTessalyGeneratorsToolbarCategory\), parent TTessalyToolbarCategory, also under TGeneratorsToolbarCategory and TTessalyDataSourcesToolbarCategory, image 24x24 of TGeneratorsToolbarCategory$' '$corvane categories'
expect 0 '^Date/Time \(TDateTimeToolbarCategory\), image 24x24$' '$corvane categories'
expect 0 '^Tracking \(TTrackingToolbarCategory\), no image$' '$corvane categories'
expect 0 '^Broadcasters \(TBroadcastersToolbarCategory\), also under TDataSinksToolbarCategory, image 24x24$' '$corvane categories'
# A line per category and the total.
expect 0 '^51$' '$corvane categories | wc -l'
expect 0 '^50 categories$' '$corvane categories'
expect 2 'unexpected argument' '$corvane categories --all'
expect 0 '^Registered: 1 component, 50 toolbar categories$' '$corvane info'

[ $failures -eq 0 ]
