# shellcheck shell=bash
# The end-to-end scenarios: one list, run by both runners (host_runner.sh with the native
# Q71File, wine_runner.sh with Q71File.exe under Wine). Each scenario stores settings, prints
# jobs through the driver-side stand-in from the fixture pages (tests/fixtures/make_pages.sh:
# every file holds the sample document's two pages) and checks the files, the registry, the
# done marker and the Output Application's calls. Vocabulary: scenario_lib.sh.
#
# A scenario marked with what it waits for runs like any other and fails until that lands.

define document_copy ready "a Document job is copied byte for byte and counted"
sc_document_copy() {
  defaults
  set_dword "Pages Total" 5
  print_job --data-mode 3 fax_g4.tif
  expect_outcome finished
  expect_same_as_job 'C:\ZEL\0001.tif'
  expect_tiff_pages 'C:\ZEL\0001.tif' 2
  expect_tiff_pixels 'C:\ZEL\0001.tif' fax_g4.tif
  expect_job_deleted
  expect_marker
  expect_dword "Pages Last" 2
  expect_dword "Pages Total" 7
  expect_sz "Done File" 'C:\TEMP\DONE_ZEL.TIF'
  expect_dword "Auto Number Value" 2
}

define second_job ready "the next Document job gets the next auto number, page-end marker and all"
sc_second_job() {
  defaults
  print_job fax_g4.tif
  expect_outcome finished
  print_job --end-marker --doc-name 'C:\Docs\report.doc' palette8.tif
  expect_outcome finished
  expect_same_as_job 'C:\ZEL\0002.tif'
  expect_tiff_pixels 'C:\ZEL\0002.tif' palette8.tif
  expect_file 'C:\ZEL\0001.tif'
  expect_dword "Auto Number Value" 3
  expect_dword "Pages Total" 4
  expect_job_deleted
  expect_marker
}

define output_application ready "the Output Application runs once on the quoted Document target"
sc_output_application() {
  defaults
  set_sz "Output Directory" 'C:\ZEL out'
  make_dir 'C:\ZEL out'
  use_output_app
  print_job fax_g4.tif
  expect_outcome finished
  expect_same_as_job 'C:\ZEL out\0001.tif'
  expect_app_calls 1
  expect_app_call 1 'C:\ZEL out\0001.tif'
  expect_marker
}

define overwrite_declined ready "declining to overwrite keeps the job file and leaves no done marker"
sc_overwrite_declined() {
  defaults
  use_output_app
  put_file 'C:\ZEL\0001.tif' "earlier output"
  answer_box Overwrite No
  print_job fax_g4.tif
  expect_outcome no_marker
  expect_box Overwrite 'C:\ZEL\0001.tif'
  expect_box Overwrite "already exists.  OK to overwrite?"
  expect_content 'C:\ZEL\0001.tif' "earlier output"
  expect_job_kept
  expect_no_marker
  expect_app_calls 0
  expect_dword "Pages Last" 2
  expect_sz "Done File" 'C:\TEMP\DONE_ZEL.TIF'
  expect_dword "Auto Number Value" 1
}

define overwrite_always ready "Always Overwrite replaces an existing target without asking"
sc_overwrite_always() {
  defaults
  set_dword "Always Overwrite" 1
  put_file 'C:\ZEL\0001.tif' "earlier output"
  print_job fax_g4.tif
  expect_outcome finished
  expect_same_as_job 'C:\ZEL\0001.tif'
  expect_job_deleted
}

define print_to_file ready "print-to-file copies the job to exactly the chosen name"
sc_print_to_file() {
  defaults
  set_dword "PDF Output" 1
  make_dir 'C:\out'
  job_env PRINTTOFILE=10
  job_env 'PTF_NAME=C:\out\printed.prn'
  print_job --data-mode 2 fax_g4.tif
  expect_outcome finished
  expect_same_as_job 'C:\out\printed.prn'
  expect_no_file 'C:\ZEL\0001.tif'
  expect_no_file 'C:\ZEL\0001.pdf'
  expect_dword "Auto Number Value" 1
  expect_job_deleted
  expect_marker
}

define print_to_file_serial ready "print-to-file with Serialization stored still gives one readable document"
sc_print_to_file_serial() {
  defaults
  set_dword "Output Mode" 2
  make_dir 'C:\out'
  job_env PRINTTOFILE=1
  job_env 'PTF_NAME=C:\out\printed.tif'
  print_job --print-to-file 'C:\out\printed.tif' fax_g4.tif
  expect_outcome finished
  expect_tiff_pages 'C:\out\printed.tif' 2
  expect_tiff_pixels 'C:\out\printed.tif' fax_g4.tif
  expect_no_file 'C:\ZEL\0001.TIF'
  expect_job_deleted
}

define layout_mismatch ready "a job laid out for another Output Mode is kept whole; the Append target stays usable"
sc_layout_mismatch() {
  defaults
  set_dword "Output Mode" 3
  set_sz "Output File" "APPEND.TIF"
  print_job fax_g4.tif
  expect_outcome finished
  print_job --layout split palette8.tif
  expect_outcome finished
  expect_job_kept
  expect_tiff_pages 'C:\ZEL\APPEND.TIF' 2
  print_job fax_g4.tif
  expect_outcome finished
  expect_tiff_pages 'C:\ZEL\APPEND.TIF' 4
}

define kept_job_told ready "a job kept unwritten tells whoever printed it why, and where its pages are"
sc_kept_job_told() {
  defaults
  set_dword "Disable Dialog" 0
  job_env PRINTTOFILE=1
  job_env 'PTF_NAME=C:\ZEL\printed.tif'
  answer_box "ERROR - JOB NOT WRITTEN" OK
  print_job --print-to-file 'C:\ZEL\printed.tif' --layout split fax_g4.tif
  expect_outcome finished
  expect_job_kept
  expect_no_file 'C:\ZEL\printed.tif'
  expect_box "ERROR - JOB NOT WRITTEN" "made for one file per page, not a file of all pages"
  expect_box "ERROR - JOB NOT WRITTEN" 'C:\spool\job1.tif'
}

define jpeg_with_pdf ready "data mode 0 with PDF Output gives the JPEG pages alone, no broken PDF"
sc_jpeg_with_pdf() {
  defaults
  set_dword "PDF Output" 1
  print_job --data-mode 0 gray8.tif
  expect_outcome finished
  expect_jpeg 'C:\ZEL\0001.jpg' 2479 3508 P5
  expect_jpeg 'C:\ZEL\0001_1.jpg' 2479 3508 P5
  expect_no_file 'C:\ZEL\0001.pdf'
  expect_no_file 'C:\ZEL\0001_1.pdf'
  expect_job_deleted
}

define serialization "the page splitter" "Serialization writes one serially named file per page"
sc_serialization() {
  defaults
  set_dword "Output Mode" 2
  set_sz "Serial Prefix String" "Scan"
  set_dword "Serial Init Number" 7
  set_dword "Last Serial Number" 7
  use_output_app
  print_job fax_g4.tif
  expect_outcome finished
  expect_tiff_pages 'C:\ZEL\Scan0007.TIF' 1
  expect_tiff_pixels 'C:\ZEL\Scan0007.TIF' fax_g4.tif,0
  expect_tiff_pages 'C:\ZEL\Scan0008.TIF' 1
  expect_tiff_pixels 'C:\ZEL\Scan0008.TIF' fax_g4.tif,1
  expect_no_file 'C:\ZEL\Scan0009.TIF'
  expect_dword "Last Serial Number" 9
  expect_dword "Serial Init Number" 9
  expect_app_calls 2
  expect_app_call 1 'C:\ZEL\Scan0007.TIF'
  expect_app_call 2 'C:\ZEL\Scan0008.TIF'
  expect_job_deleted
  expect_marker
}

define jpeg_document "the page splitter and JPEG export" "data mode 0 gives one JPEG per page"
sc_jpeg_document() {
  defaults
  print_job --data-mode 0 gray8.tif
  expect_outcome finished
  expect_jpeg 'C:\ZEL\0001.jpg' 2479 3508 P5
  expect_jpeg 'C:\ZEL\0001_1.jpg' 2479 3508 P5
  expect_no_file 'C:\ZEL\0001.tif'
  expect_dword "Auto Number Value" 3
  expect_dword "Last Serial Number" 3
  expect_job_deleted
  expect_marker
}

define append_three "the splicer" "three Append jobs grow one TIFF of all their pages"
sc_append_three() {
  defaults
  set_dword "Output Mode" 3
  set_sz "Output File" "APPEND.TIF"
  print_job fax_g4.tif
  expect_outcome finished
  expect_same_as_job 'C:\ZEL\APPEND.TIF'
  print_job --end-marker gray8.tif
  expect_outcome finished
  print_job palette8.tif
  expect_outcome finished
  expect_tiff_pages 'C:\ZEL\APPEND.TIF' 6
  expect_tiff_pixels 'C:\ZEL\APPEND.TIF' fax_g4.tif gray8.tif palette8.tif
  expect_dword "Auto Number Value" 1
  expect_dword "Pages Total" 6
  expect_job_deleted
  expect_marker
}

define pdf_document "the PDF writer" "PDF Output turns a Document job into one PDF"
sc_pdf_document() {
  defaults
  set_dword "PDF Output" 1
  use_output_app
  print_job fax_g4.tif
  expect_outcome finished
  expect_pdf 'C:\ZEL\0001.pdf' 2
  expect_no_file 'C:\ZEL\0001.tif'
  expect_dword "Auto Number Value" 2
  expect_app_calls 1
  expect_app_call 1 'C:\ZEL\0001.pdf'
  expect_job_deleted
  expect_marker
}

define pdf_serialization "the page splitter and the PDF writer" "Serialization with PDF Output gives one PDF per page"
sc_pdf_serialization() {
  defaults
  set_dword "Output Mode" 2
  set_dword "PDF Output" 1
  set_sz "Serial Prefix String" "Scan"
  use_output_app
  print_job fax_g4.tif
  expect_outcome finished
  expect_pdf 'C:\ZEL\Scan0001.pdf' 1
  expect_pdf 'C:\ZEL\Scan0002.pdf' 1
  expect_no_file 'C:\ZEL\Scan0001.TIF'
  expect_no_file 'C:\ZEL\Scan0002.TIF'
  expect_app_calls 2
  expect_app_call 1 'C:\ZEL\Scan0001.pdf'
  expect_app_call 2 'C:\ZEL\Scan0002.pdf'
  expect_dword "Last Serial Number" 3
  expect_job_deleted
  expect_marker
}

define jpeg_name_case ready "an Output File in capitals keeps every JPEG page (TEST.JPG is TEST.jpg)"
sc_jpeg_name_case() {
  defaults
  set_dword "AutoGenerate" 0
  set_sz "Output File" "TEST.JPG"
  put_file 'C:\ZEL\TEST.TIF' "earlier document"
  print_job --data-mode 0 gray8.tif
  expect_outcome finished
  expect_jpeg 'C:\ZEL\TEST.jpg' 2479 3508 P5
  expect_jpeg 'C:\ZEL\TEST_1.jpg' 2479 3508 P5
  expect_content 'C:\ZEL\TEST.TIF' "earlier document"
  expect_job_deleted
}

define hostile_titles ready "titles stay in the Output Directory and never name a device"
sc_hostile_titles() {
  defaults
  set_dword "Use Source Name" 1
  set_dword "Always Overwrite" 1
  set_sz "Output Directory" 'C:\ZEL\new\out'
  put_file 'C:\victim.tif' "not ours"
  print_job --doc-name '../../../victim.doc' fax_g4.tif
  expect_outcome finished
  expect_same_as_job 'C:\ZEL\new\out\victim.tif'
  expect_content 'C:\victim.tif' "not ours"
  print_job --doc-name 'NUL.doc' fax_g4.tif
  expect_outcome finished
  expect_same_as_job 'C:\ZEL\new\out\_NUL.tif'
  set_dword "Output Mode" 2
  print_job --doc-name 'AUX' fax_g4.tif
  expect_outcome finished
  expect_tiff_pages 'C:\ZEL\new\out\AUX0001.tif' 1
  expect_tiff_pages 'C:\ZEL\new\out\AUX0002.tif' 1
  expect_job_deleted
}
