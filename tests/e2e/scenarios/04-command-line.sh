# Command line: an archive path that does not exist still opens the archive viewer, which the rail
# shows by tinting the extract entry; no box comes up.
tz_seed_settings language=en-US
tz_start missing.zeb
tz_expect_rail_selected "the viewer of missing.zeb: the extract entry is tinted" 2
tz_expect_no_box "after starting with missing.zeb"
tz_shot viewer-missing
tz_close
