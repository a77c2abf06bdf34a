# JUnit 5 runs the order: a three-class Maven project (a parameterised test,
# a nested class, display names) run by Debian's Maven and Surefire offline,
# with the adapter jar on the test classpath. Three runs, failures injected
# by files the check writes, kept as run folders of Surefire's reports, read
# back as a history; Surefire then runs the order written from it, classes
# and methods as the order lists them (read from Maven's console and the
# reports), a class added since running last with one warning line; a
# budget runs exactly its selection, and four shards every test once.
# Skipped where Maven, javac, Debian's JUnit 5 and Surefire or the adapter
# are missing.
#
# cmake -DPROGRAM=... -DJAR=... -DPROJECT=... -DWORK=... -P junit5_runs_the_order.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_program(MVN mvn)
find_program(JAVAC javac)
set(repo /usr/share/maven-repo)
if(NOT MVN)
  skip_check("no Maven (Debian: maven)")
elseif(NOT JAVAC)
  skip_check("no javac (Debian: default-jdk-headless)")
elseif(NOT EXISTS "${repo}/org/apache/maven/plugins/maven-surefire-plugin/2.22.3")
  skip_check("no Surefire 2.22.3 in ${repo} (Debian: libsurefire-java)")
elseif(NOT EXISTS "${repo}/org/junit/jupiter/junit-jupiter/5.9.2")
  skip_check("no JUnit 5.9.2 in ${repo} (Debian: junit5)")
elseif(NOT JAR OR NOT EXISTS "${JAR}")
  skip_check("the JUnit 5 adapter was not built (a JDK and Debian's junit5 at configure time)")
endif()
file(REMOVE_RECURSE "${WORK}")
set(shop "${WORK}/shop")
set(orders "${WORK}/orders")
file(MAKE_DIRECTORY "${orders}")
file(COPY "${PROJECT}/" DESTINATION "${shop}")
# Debian's repository is a tree of relative links into /usr/share/java: a
# tree of links to its files keeps them working and takes Maven's writes.
run_program(COMMAND cp -rs "${repo}" "${WORK}/repo")
set(classPath)
foreach(name IN ITEMS junit-jupiter-api junit-jupiter-params junit-platform-commons opentest4j
    apiguardian-api)
  list(APPEND classPath "${repo}/../java/${name}.jar")
endforeach()
list(JOIN classPath ":" classPath)
# Debian's repository has no compiler plugin: the tests are compiled here.
function(compile_tests)
  file(GLOB sources "${shop}/src/test/java/shop/*.java")
  run_program(COMMAND ${JAVAC} --release 11 -encoding UTF-8 -cp "${classPath}"
    -d "${shop}/target/test-classes" ${sources})
endfunction()
compile_tests()
set(adapter
  -Djunit.jupiter.testclass.order.default=antorder.junit5.AntorderClassOrderer
  -Djunit.jupiter.testmethod.order.default=antorder.junit5.AntorderMethodOrderer)

# maven_test(<name> <option>...): mvn test with the options, its reports
# kept in WORK/NAME/ and its console in WORK/NAME.log; a failing test fails
# the build, so only missing reports fail the check. Sets ran to the tests'
# keys (classname.name) in the order they ran: the classes as Maven's
# console says it started them, each class's tests as its report has them;
# classes to those classes; output to the console.
function(maven_test name)
  file(REMOVE_RECURSE "${shop}/target/surefire-reports")
  execute_process(COMMAND ${MVN} -o -B -Dstyle.color=never "-Dmaven.repo.local=${WORK}/repo"
      "-Dantorder.jar=${JAR}" ${ARGN} test
    WORKING_DIRECTORY "${shop}" INPUT_FILE /dev/null OUTPUT_VARIABLE console ERROR_VARIABLE console)
  file(WRITE "${WORK}/${name}.log" "${console}")
  file(GLOB reports "${shop}/target/surefire-reports/TEST-*.xml")
  if(NOT reports)
    message(FATAL_ERROR "${name}: Maven wrote no report:\n${console}")
  endif()
  file(COPY ${reports} DESTINATION "${WORK}/${name}")
  string(REGEX MATCHALL "\\[INFO\\] Running [^\n]*" started "${console}")
  list(TRANSFORM started REPLACE "^\\[INFO\\] Running " "")
  set(keys)
  foreach(class IN LISTS started)
    file(READ "${WORK}/${name}/TEST-${class}.xml" xml)
    string(REGEX MATCHALL "<testcase name=\"[^\"]*\" classname=\"[^\"]*\"" cases "${xml}")
    list(TRANSFORM cases REPLACE "<testcase name=\"([^\"]*)\" classname=\"([^\"]*)\"" "\\2.\\1")
    list(APPEND keys ${cases})
  endforeach()
  set(ran "${keys}" PARENT_SCOPE)
  set(classes "${started}" PARENT_SCOPE)
  set(output "${console}" PARENT_SCOPE)
endfunction()

# method_of(<key> <variable>): the key's class and method, its parameters
# and invocation left off: shop.CartTest.search{int}[2] -> shop.CartTest.search.
function(method_of key variable)
  string(REGEX REPLACE "[[({].*" "" method "${key}")
  set(${variable} "${method}" PARENT_SCOPE)
endfunction()

# Three runs: the second fails a test of LoginTest, the third one of
# MailTest and one invocation of the parameterised test.
foreach(run 1 2 3)
  if(run EQUAL 2)
    file(TOUCH "${shop}/fail-reset")
  elseif(run EQUAL 3)
    file(REMOVE "${shop}/fail-reset")
    file(TOUCH "${shop}/fail-send" "${shop}/fail-search-2")
  endif()
  maven_test(history/run-000${run})
  if(run EQUAL 1)
    set(everything ${ran})
    set(plain ${ran})
  endif()
endforeach()
file(REMOVE "${shop}/fail-send" "${shop}/fail-search-2")
list(LENGTH everything count)
if(NOT count EQUAL 10 OR NOT "shop.CartTest$Abroad.duty" IN_LIST everything
    OR NOT "shop.CartTest.search{int}[3]" IN_LIST everything)
  message(FATAL_ERROR "the first run did not run the shop's ten tests: ${everything}")
endif()
run_program(COMMAND ${PROGRAM} "${WORK}/history" --quiet --json --objective apfd
  --order "${orders}/order.txt" OUTPUT summary)
if(NOT summary MATCHES "runs in the window: 3 " OR NOT summary MATCHES "\"tests\": 10,")
  message(FATAL_ERROR "the history is not three runs of ten tests:\n${summary}")
endif()
file(STRINGS "${orders}/order.txt" order)

# A class added since the history: named in no file, it runs last, with
# one warning line.
file(WRITE "${shop}/src/test/java/shop/CouponTest.java"
  "package shop;\nclass CouponTest {\n  @org.junit.jupiter.api.Test\n  void redeem() {}\n}\n")
compile_tests()
maven_test(ordered ${adapter} "-Dantorder.order=${orders}/order.txt")
# The classes in the order of their first tests, the nested one in its
# outer class; and each class's methods in the order of their first tests.
set(expectedClasses)
foreach(key IN LISTS order)
  string(REGEX REPLACE "[$.][^.$]*$" "" class "${key}")
  string(REGEX REPLACE "\\$.*" "" class "${class}")
  list(APPEND expectedClasses "${class}")
endforeach()
list(REMOVE_DUPLICATES expectedClasses)
if(NOT classes STREQUAL "${expectedClasses};shop.CouponTest")
  message(FATAL_ERROR "Surefire ran the classes ${classes}, not ${expectedClasses} and then the "
    "new shop.CouponTest, for the order ${order}")
endif()
set(ranMethods)
foreach(key IN LISTS ran)
  method_of("${key}" method)
  list(APPEND ranMethods "${method}")
endforeach()
list(REMOVE_DUPLICATES ranMethods)
set(testClasses ${everything})
list(TRANSFORM testClasses REPLACE "\\.[^.]*$" "")
list(REMOVE_DUPLICATES testClasses)
foreach(class IN LISTS testClasses)
  set(expected)
  foreach(key IN LISTS order)
    method_of("${key}" method)
    if(method MATCHES "^(.*)\\.[^.]*$" AND CMAKE_MATCH_1 STREQUAL class)
      list(APPEND expected "${method}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES expected)
  string(REPLACE "$" "\\$" pattern "${class}")
  set(got ${ranMethods})
  list(FILTER got INCLUDE REGEX "^${pattern}\\.[^.]*$")
  if(NOT got STREQUAL expected)
    message(FATAL_ERROR "${class} ran its methods ${got}, not ${expected}")
  endif()
endforeach()
list(LENGTH ran count)
if(NOT count EQUAL 11)
  message(FATAL_ERROR "the ordered run ran ${ran}, not the ten tests and the new one")
endif()
set(known ${ran})
list(REMOVE_ITEM known shop.CouponTest.redeem)
if(known STREQUAL plain)
  message(FATAL_ERROR "the order written is JUnit's own, and proves nothing: ${ran}")
endif()
string(REGEX MATCHALL "antorder: [^\n]*" warnings "${output}")
if(NOT warnings MATCHES "^antorder: 1 test class is named in neither [^;]*: shop\\.CouponTest$")
  message(FATAL_ERROR "not one warning naming shop.CouponTest: ${warnings}")
endif()
file(REMOVE "${shop}/src/test/java/shop/CouponTest.java"
  "${shop}/target/test-classes/shop/CouponTest.class")

# Costs written by hand, so that what the budget selects and the shards'
# shares do not hang on the machine's speed.
set(costs "test,cost\n")
foreach(key IN LISTS everything)
  string(APPEND costs "${key},1\n")
endforeach()
file(WRITE "${WORK}/costs.csv" "${costs}")

# runs_once(<what> <selection file> <rest file>): the run's tests as the
# selection and the rest files hold them, a method whose tests the two
# split running whole or not at all: every method of the selection alone
# runs whole, none of the rest alone runs, and nothing else runs.
function(runs_once what selectionFile restFile)
  file(STRINGS "${selectionFile}" selection)
  file(STRINGS "${restFile}" rest)
  foreach(key IN LISTS ran)
    if(NOT key IN_LIST selection AND NOT key IN_LIST rest)
      message(FATAL_ERROR "${what} ran ${key}, in neither its selection nor its rest")
    endif()
  endforeach()
  set(methods ${selection} ${rest})
  list(TRANSFORM methods REPLACE "[[({].*" "")
  list(REMOVE_DUPLICATES methods)
  foreach(method IN LISTS methods)
    set(tests ${selection} ${rest})
    set(selected ${selection})
    set(done ${ran})
    string(REPLACE "$" "\\$" pattern "${method}")
    foreach(list IN ITEMS tests selected done)
      list(FILTER ${list} INCLUDE REGEX "^${pattern}([[({]|$)")
    endforeach()
    list(LENGTH tests all)
    list(LENGTH selected chosen)
    list(LENGTH done runs)
    if((chosen EQUAL all AND NOT runs EQUAL all) OR (chosen EQUAL 0 AND NOT runs EQUAL 0)
        OR (NOT runs EQUAL 0 AND NOT runs EQUAL all))
      message(FATAL_ERROR "${what}: of ${method}, ${chosen} of ${all} tests selected, "
        "and ${runs} ran: ${done}")
    endif()
  endforeach()
endfunction()

# A budget of four of the ten seconds, of whole classes as JUnit runs them.
run_program(COMMAND ${PROGRAM} "${WORK}/history" --quiet --objective apfd --costs "${WORK}/costs.csv"
  --runner junit5 --budget 4 --order "${orders}/selection.txt" --rest "${orders}/rest.txt")
maven_test(budget ${adapter} "-Dantorder.order=${orders}/selection.txt"
  "-Dantorder.rest=${orders}/rest.txt")
file(STRINGS "${orders}/selection.txt" selection)
file(STRINGS "${orders}/rest.txt" rest)
if(NOT selection OR NOT rest)
  message(FATAL_ERROR "the budget selected ${selection} and left ${rest}")
endif()
runs_once(budget "${orders}/selection.txt" "${orders}/rest.txt")
if(output MATCHES "antorder: ")
  message(FATAL_ERROR "a warning though every class is named:\n${output}")
endif()

# Four shards of whole classes: every test runs in exactly one.
set(all)
foreach(shard 1 2 3 4)
  run_program(COMMAND ${PROGRAM} "${WORK}/history" --quiet --objective apfd
    --costs "${WORK}/costs.csv" --runner junit5 --shard ${shard}/4 --order "${orders}/shard-${shard}.txt"
    --rest "${orders}/others-${shard}.txt")
  maven_test(shard-${shard} ${adapter} "-Dantorder.order=${orders}/shard-${shard}.txt"
    "-Dantorder.rest=${orders}/others-${shard}.txt")
  runs_once("shard ${shard}" "${orders}/shard-${shard}.txt" "${orders}/others-${shard}.txt")
  list(APPEND all ${ran})
endforeach()
list(SORT all)
list(SORT everything)
if(NOT all STREQUAL everything)
  message(FATAL_ERROR "the four shards ran ${all}, not each of ${everything} once")
endif()
