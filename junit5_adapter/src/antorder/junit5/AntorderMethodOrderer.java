package antorder.junit5;

import java.util.Comparator;
import org.junit.jupiter.api.MethodOrderer;
import org.junit.jupiter.api.MethodOrdererContext;

/**
 * Orders a class's test methods by the line of each method's first test in the order file
 * (antorder.order): a parameterised method goes where its first invocation is. Methods the file does
 * not name keep JUnit's order after those it does.
 */
public class AntorderMethodOrderer implements MethodOrderer {
    @Override
    public void orderMethods(MethodOrdererContext context) {
        OrderFile file = OrderFile.get(context::getConfigurationParameter);
        if (!file.ordering()) {
            return;
        }
        String className = context.getTestClass().getName();
        context.getMethodDescriptors().sort(Comparator.comparingInt(descriptor -> {
            int position = file.methodPosition(className, descriptor.getMethod().getName());
            return position < 0 ? Integer.MAX_VALUE : position;
        }));
    }
}
